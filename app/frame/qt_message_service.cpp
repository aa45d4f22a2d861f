#include "app/frame/qt_message_service.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QWidget>

namespace tarvex {

QtMessageService::QtMessageService(Presenter presenter) : presenter_(std::move(presenter)) {}

QtMessageService::~QtMessageService() { setDropping(true); }

bool QtMessageService::showBox(const Message &message, QWidget *parent)
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
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        break;
    }
    return box.exec() == QMessageBox::Yes;
}

bool QtMessageService::presentHere(const Message &message)
{
    if (presenter_)
        return presenter_(message);
    return showBox(message, parentWindow_);
}

bool QtMessageService::present(const Message &message)
{
    if (QThread::currentThread() == thread())
        return presentHere(message);

    auto pending = std::make_shared<Pending>();
    pending->message = message;
    {
        std::lock_guard lock(mutex_);
        if (dropping_)
            return false;
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
        const bool answer = presentHere(next->message);
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
