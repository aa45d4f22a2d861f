#include "drive/connection/status_monitoring.h"

#include "drive/connection/status_poll.h"

namespace tarvex {

void StatusPanes::setVariableView(StatusVariableView *view)
{
    std::lock_guard lock(mutex_);
    variableView_ = view;
}

void StatusPanes::setInputView(LampView *view)
{
    std::lock_guard lock(mutex_);
    inputView_ = view;
}

void StatusPanes::setOutputView(LampView *view)
{
    std::lock_guard lock(mutex_);
    outputView_ = view;
}

void StatusPollThread::start(DriveConnection &drive)
{
    worker_.startIfIdle([&drive] { runStatusPoll(drive); },
                        [this] {
                            return monitoringMode_.load() == kMonitoringPollMode || linkPolling_.load() == 1;
                        });
}

} // namespace tarvex
