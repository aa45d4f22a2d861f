#include "app/ui/ui_wait.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <thread>

namespace tarvex {

void runKeepingUiAlive(const std::function<void()> &call)
{
    QEventLoop loop;
    std::thread helper([&] {
        call();
        // Queued, so the quit is seen even if the loop has not started yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    helper.join();
}

void serveUiWhileWaiting()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace tarvex
