// A capture held only in a window (trace after a run, trigger capture,
// alarm recording upload) is not thrown away by Esc or the close box without
// the user agreeing; a saved capture, or one read from a file, goes quietly.
#pragma once

namespace tarvex {

class MessageService;

namespace graphs {

class UnsavedCapture {
public:
    // New data from the drive now exists only in the window.
    void captured() { held_ = true; }
    // The data is in a file (saved to it or read from it), or gone.
    void kept() { held_ = false; }
    bool held() const { return held_; }

    // Whether the window may let go of its data: nothing unsaved, or the
    // user agreed to discard it. Without a message service nothing is asked.
    bool mayDiscard(MessageService *messages) const;

private:
    bool held_ = false;
};

} // namespace graphs
} // namespace tarvex
