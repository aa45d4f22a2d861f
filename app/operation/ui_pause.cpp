#include "app/operation/ui_pause.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <algorithm>

namespace tarvex {

void pauseServingUi(std::chrono::milliseconds duration)
{
    const QDeadlineTimer deadline(duration);
    while (!deadline.hasExpired()) {
        const auto left = std::max<qint64>(1, std::min<qint64>(deadline.remainingTime(), 5));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, static_cast<int>(left));
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, 2)));
    }
}

void serveUiOnce() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

} // namespace tarvex
