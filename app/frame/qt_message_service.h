// The program's message boxes. A box asked for on the user-interface thread
// is shown at once. A worker thread's box is queued to the user-interface
// thread and the worker waits until the user has dismissed it, just as if it
// had shown the box itself; every wait of the user-interface thread for a
// worker keeps processing events, so such a box is always served. At
// shutdown the service turns to dropping: waiting and later worker boxes
// are answered at once (No for questions, the dismissed button for a
// choice) and nothing is shown.
#pragma once

#include "drive/connection/message_service.h"

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QWidget;

namespace tarvex {

class QtMessageService final : public QObject, public MessageService {
    Q_OBJECT
public:
    // Shows one message and returns the answer; the default draws a QMessageBox.
    // Without choice buttons the message has its kind's buttons and the
    // answer is nonzero for Yes; with them it is the index of the one taken.
    using Presenter = std::function<int(const Message &, const Choices &)>;

    explicit QtMessageService(Presenter presenter = {});
    // Worker threads must have ended before the service goes away.
    ~QtMessageService() override;

    bool present(const Message &message) override;
    int choose(const Message &question, const Choices &choices) override;

    // From now on worker messages are dropped; those waiting are released.
    void setDropping(bool dropping);
    bool isDropping() const;
    // The parent of the boxes (the main frame), so they centre on it.
    void setParentWindow(QWidget *window) { parentWindow_ = window; }

    // The box as the program draws it.
    static int showBox(const Message &message, const Choices &choices, QWidget *parent);

private:
    struct Pending {
        Message message;
        Choices choices;
        bool shown = false; // its box is open
        bool done = false;  // dismissed or dropped: the worker may go on
        int answer = 0;
    };

    int deliver(const Message &message, const Choices &choices);
    void deliverPending();
    int presentHere(const Message &message, const Choices &choices);

    Presenter presenter_;
    QWidget *parentWindow_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable served_;
    std::deque<std::shared_ptr<Pending>> queue_;
    bool dropping_ = false;
};

} // namespace tarvex
