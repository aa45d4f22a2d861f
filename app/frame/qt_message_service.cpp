#include "app/frame/qt_message_service.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QThread>
#include <QWidget>

namespace tarvex {

QtMessageService::QtMessageService(Presenter presenter) : presenter_(std::move(presenter)) {}

QtMessageService::~QtMessageService() { setDropping(true); }

int QtMessageService::showBox(const Message &message, const Choices &choices, QWidget *parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(message.kind == Message::Kind::Question && !message.caption.empty()
                           ? QString::fromStdString(message.caption)
                           : QApplication::applicationName());
    box.setText(QString::fromStdString(message.text));
    if (!message.detail.empty())
        box.setInformativeText(QString::fromStdString(message.detail));
    switch (message.kind) {
    case Message::Kind::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Message::Kind::Information:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Message::Kind::Question:
        box.setIcon(QMessageBox::Question);
        if (choices.buttons.empty()) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::No);
        }
        break;
    }
    if (choices.buttons.empty())
        return box.exec() == QMessageBox::Yes ? 1 : 0;

    // In the order given; Enter, like Escape, takes the answer that changes nothing.
    std::vector<QPushButton *> buttons;
    for (const std::string &text : choices.buttons)
        buttons.push_back(box.addButton(QString::fromStdString(text), QMessageBox::ActionRole));
    const auto dismissed = static_cast<std::size_t>(choices.dismissed);
    if (dismissed < buttons.size()) {
        box.setDefaultButton(buttons[dismissed]);
        box.setEscapeButton(buttons[dismissed]);
    }
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return static_cast<int>(i);
    return choices.dismissed;
}

int QtMessageService::presentHere(const Message &message, const Choices &choices)
{
    if (presenter_)
        return presenter_(message, choices);
    return showBox(message, choices, parentWindow_);
}

bool QtMessageService::present(const Message &message) { return deliver(message, {}) != 0; }

int QtMessageService::choose(const Message &question, const Choices &choices) { return deliver(question, choices); }

int QtMessageService::deliver(const Message &message, const Choices &choices)
{
    if (QThread::currentThread() == thread())
        return presentHere(message, choices);

    auto pending = std::make_shared<Pending>();
    pending->message = message;
    pending->choices = choices;
    pending->answer = choices.buttons.empty() ? 0 : choices.dismissed; // if dropped
    {
        std::lock_guard lock(mutex_);
        if (dropping_)
            return pending->answer;
        queue_.push_back(pending);
    }
    QMetaObject::invokeMethod(this, &QtMessageService::deliverPending, Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    served_.wait(lock, [&] { return pending->done; });
    return pending->answer;
}

void QtMessageService::deliverPending()
{
    for (;;) {
        std::shared_ptr<Pending> next;
        {
            std::lock_guard lock(mutex_);
            if (dropping_)
                return;
            for (const auto &pending : queue_) {
                if (!pending->shown) {
                    next = pending;
                    break;
                }
            }
            if (!next)
                return;
            next->shown = true; // a nested delivery (inside this box's loop) takes the next one
        }
        QPointer<QtMessageService> alive(this);
        const int answer = presentHere(next->message, next->choices);
        if (!alive)
            return; // the service went away meanwhile and released every waiting worker
        {
            std::lock_guard lock(mutex_);
            if (!next->done) {
                next->answer = answer;
                next->done = true;
            }
            std::erase(queue_, next);
        }
        served_.notify_all();
    }
}

void QtMessageService::setDropping(bool dropping)
{
    {
        std::lock_guard lock(mutex_);
        dropping_ = dropping;
        if (dropping) {
            for (const auto &pending : queue_)
                pending->done = true;
            queue_.clear();
        }
    }
    served_.notify_all();
}

bool QtMessageService::isDropping() const
{
    std::lock_guard lock(mutex_);
    return dropping_;
}

} // namespace tarvex
