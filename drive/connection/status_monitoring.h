// Cyclic monitoring as the connection keeps it: the status panes the poll
// thread writes to, and the poll thread itself, which stays alive while
// monitoring runs or the link is polled.
#pragma once

#include "drive/connection/status_views.h"
#include "drive/connection/worker_thread.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace tarvex {

class DriveConnection;

// The monitoring mode while cyclic monitoring runs.
inline constexpr std::int32_t kMonitoringPollMode = 2;

// The panes register themselves when they are created and withdraw before
// they go away; the poll thread reaches them only under the lock, so a pane
// cannot go away in the middle of a call.
class StatusPanes {
public:
    void setVariableView(StatusVariableView *view);
    void setInputView(LampView *view);
    void setOutputView(LampView *view);

    template <class Use>
    void withVariableView(Use &&use)
    {
        std::lock_guard lock(mutex_);
        if (variableView_)
            use(*variableView_);
    }
    template <class Use>
    void withLampViews(Use &&use)
    {
        std::lock_guard lock(mutex_);
        use(inputView_, outputView_);
    }

private:
    std::mutex mutex_;
    StatusVariableView *variableView_ = nullptr;
    LampView *inputView_ = nullptr;
    LampView *outputView_ = nullptr;
};

class StatusPollThread {
public:
    StatusPollThread(const std::atomic<std::int32_t> &monitoringMode, const std::atomic<std::int32_t> &linkPolling)
        : monitoringMode_(monitoringMode), linkPolling_(linkPolling)
    {
    }

    // Starts the poll over `drive` unless it runs already.
    void start(DriveConnection &drive);
    void waitUntilEnded(const std::function<void()> &tick) { worker_.waitUntilEnded(tick); }
    bool isRunning() const { return worker_.isRunning(); }

private:
    const std::atomic<std::int32_t> &monitoringMode_;
    const std::atomic<std::int32_t> &linkPolling_;
    WorkerHandle worker_;
};

} // namespace tarvex
