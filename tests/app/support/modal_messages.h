// The message service of tests where modality matters: the program's own
// service (worker boxes are handed to the user-interface thread, and the
// worker waits), with each box "open" for a moment during which a nested
// event loop runs, as it does while a user reads a real box. Whatever the
// program has queued meanwhile - a worker's result, a timer - runs inside
// the box, as it would for the user. Every message is recorded and
// questions are answered as scripted.
#pragma once

#include "app/frame/qt_message_service.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/ui_pump.h"

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <string>
#include <vector>

namespace tarvex::test {

class ModalMessages final : public MessageService {
public:
    explicit ModalMessages(std::chrono::milliseconds open = std::chrono::milliseconds(60))
        : open_(open),
          service_([this](const Message &message, const Choices &choices) { return showModally(message, choices); })
    {
    }

    bool present(const Message &message) override { return service_.present(message); }
    int choose(const Message &question, const Choices &choices) override { return service_.choose(question, choices); }

    void answerNext(bool yes) { record_.answerNext(yes); }
    void chooseNext(int button) { record_.chooseNext(button); }
    std::vector<std::string> texts() const { return record_.texts(); }
    std::vector<Message> messages() const { return record_.messages(); }
    std::size_t count(const std::string &text) const { return record_.count(text); }
    bool empty() const { return record_.empty(); }
    void clear() { record_.clear(); }
    // Waits, serving the user-interface thread (where worker boxes are
    // shown), until `text` has been shown at least once.
    bool waitFor(const std::string &text, std::chrono::milliseconds timeout)
    {
        return pumpUntil([&] { return count(text) > 0; }, timeout);
    }
    int boxesOpen() const { return open_boxes_; }

private:
    int showModally(const Message &message, const Choices &choices)
    {
        const int answer = choices.buttons.empty() ? (record_.present(message) ? 1 : 0) : record_.choose(message, choices);
        ++open_boxes_;
        QEventLoop box;
        QTimer::singleShot(open_, &box, &QEventLoop::quit);
        box.exec();
        --open_boxes_;
        return answer;
    }

    std::chrono::milliseconds open_;
    RecordingMessages record_;
    int open_boxes_ = 0;
    QtMessageService service_;
};

} // namespace tarvex::test
