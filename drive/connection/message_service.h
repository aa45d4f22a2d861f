// Every message box of the program goes through one service. Worker threads
// meet failures too (the status poll, the link watchdog); the service shows
// their boxes on the user-interface thread and lets the worker wait until the
// user has dismissed them. Tests put a recording service in its place.
#pragma once

#include <string>

namespace tarvex {

struct Message {
    enum class Kind { Warning, Information, Question };
    Kind kind = Kind::Warning;
    std::string text;    // the system's own text, shown exactly
    std::string caption; // questions only; empty means the program's name
    std::string detail;  // optional explanation shown in smaller print below the text
};

class MessageService {
public:
    virtual ~MessageService() = default;

    // A box with an OK button.
    void show(std::string text, std::string detail = {})
    {
        present({Message::Kind::Warning, std::move(text), {}, std::move(detail)});
    }
    void showInformation(std::string text)
    {
        present({Message::Kind::Information, std::move(text), {}, {}});
    }
    // A box with Yes and No; true for Yes.
    bool ask(std::string text, std::string caption)
    {
        return present({Message::Kind::Question, std::move(text), std::move(caption), {}});
    }

    // Shows the message and returns when it has been dismissed; the answer
    // only matters for questions. Callable from any thread.
    virtual bool present(const Message &message) = 0;
};

} // namespace tarvex
