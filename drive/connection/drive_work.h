// One piece of long drive work that the user watches and may cancel: how
// many steps it has, which one is under way and what it is called, and
// whether Cancel was clicked. Cancel is cooperative: the exchange under way
// ends normally (a block write is never cut in half) and the work asks
// cancelRequested() before it starts the next one.
//
// Free of widgets; the progress box shows it. The steps and the caption
// belong to the user-interface thread; the cancel flag may be read anywhere.
#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace tarvex {

class DriveWork {
public:
    void setSteps(int steps);
    // Starts the next step, named by `caption` ("Reading group 3 of 8: Control ...").
    void beginStep(std::string caption);

    int steps() const { return steps_; }
    // The step under way, from 1; 0 before the first. Never beyond steps().
    int currentStep() const { return current_; }
    const std::string &caption() const { return caption_; }

    void requestCancel();
    bool cancelRequested() const { return cancelled_.load(); }

    // Told after each change of the steps, the caption or the cancel flag.
    void setListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void changed() const;

    int steps_ = 0;
    int current_ = 0;
    std::string caption_;
    std::atomic<bool> cancelled_{false};
    std::function<void()> listener_;
};

} // namespace tarvex
