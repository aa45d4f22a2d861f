// The message service of a program without windows: every warning the
// shared services raise goes to standard error as one line (its detail
// after it), and the worst outcome among them becomes the exit code.
// Information boxes (the services' success notes) are kept, not printed:
// the commands print their own results.
#pragma once

#include "drive/connection/message_service.h"

#include <mutex>
#include <string>
#include <vector>

namespace m9ctl {

// One line of m9ctl's own on standard error; it does not change the exit code.
void warn(const std::string &text);

// Exit code for a warning text of the shared services.
int exitCodeForMessage(const std::string &text);

class ConsoleMessages : public tarvex::MessageService {
public:
    bool present(const tarvex::Message &message) override;

    // A message of m9ctl's own, with its exit code.
    void fail(int code, const std::string &text);
    // From hold() on, lines and their codes are kept instead of printed,
    // until release() prints them and counts their codes or drop() forgets
    // them: for a failure that a later step may explain better.
    void hold();
    void release();
    void drop();
    // Whether a line kept since hold() contains `text`.
    bool holds(const std::string &text) const;
    int worstCode() const;
    std::vector<std::string> notes() const;
    void clearNotes();

private:
    struct Line {
        std::string text;
        int code;
    };
    // Prints the line, or keeps it while holding; called under the lock.
    void emit(Line line);

    mutable std::mutex mutex_;
    int worst_ = 0;
    std::vector<std::string> notes_;
    bool holding_ = false;
    std::vector<Line> held_;
};

} // namespace m9ctl
