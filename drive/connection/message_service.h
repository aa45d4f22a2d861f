// Every message box of the program goes through one service. Worker threads
// meet failures too (the status poll, the link watchdog); the service shows
// their boxes on the user-interface thread and lets the worker wait until the
// user has dismissed them. Tests put a recording service in its place.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

struct Message {
    enum class Kind { Warning, Information, Question };
    Kind kind = Kind::Warning;
    std::string text;    // the system's own text, shown exactly
    std::string caption; // questions only; empty means the program's name
    std::string detail;  // optional explanation shown in smaller print below the text
};

// The answers of a question whose buttons are named, rather than Yes and No.
struct Choices {
    std::vector<std::string> buttons; // the system's own texts, in the order shown
    int dismissed = 0;                // the answer Escape and the close box give: the one that changes nothing
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

    // A question answered with one of `choices.buttons`: returns the index
    // of the button taken. Callable from any thread. A service that has no
    // such box asks Yes or No instead: Yes takes the first button, No the
    // dismissed one.
    virtual int choose(const Message &question, const Choices &choices)
    {
        return present(question) ? 0 : choices.dismissed;
    }
};

} // namespace tarvex
