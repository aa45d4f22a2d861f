#include "app/ui/ui_wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <thread>

namespace tarvex {

namespace {

void runOnHelper(const std::function<void()> &call, QEventLoop::ProcessEventsFlags served)
{
    QEventLoop loop;
    std::thread helper([&] {
        call();
        // Queued, so the quit is seen even if the loop has not started yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(served);
    helper.join();
}

} // namespace

void runKeepingUiAlive(const std::function<void()> &call) { runOnHelper(call, QEventLoop::ExcludeUserInputEvents); }

void runServingUserInput(const std::function<void()> &call) { runOnHelper(call, QEventLoop::AllEvents); }

void serveUiWhileWaiting()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void pauseServingUi(std::chrono::milliseconds duration)
{
    const QDeadlineTimer deadline(duration);
    while (!deadline.hasExpired()) {
        const auto left = std::max<qint64>(1, std::min<qint64>(deadline.remainingTime(), 5));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, static_cast<int>(left));
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 2)));
    }
}

} // namespace tarvex
