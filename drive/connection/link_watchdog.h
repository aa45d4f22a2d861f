// The link watchdog: while a feature claims the link (one of the busy
// indicators is raised) it waits for the heartbeat of an exchange starting;
// when none starts for the whole time-out on an open link, it answers the
// stall: every registered run switch is cleared and the listener told.
#pragma once

#include "drive/connection/run_switch.h"
#include "drive/connection/heartbeat_event.h"
#include "drive/connection/link_library.h"
#include "drive/connection/worker_thread.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace tarvex {

// Raises a busy indicator for the duration of a scope.
class BusyScope {
public:
    explicit BusyScope(std::atomic<std::int32_t> &indicator) : indicator_(indicator)
    {
        indicator_.store(1);
    }
    ~BusyScope() { indicator_.store(0); }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    std::atomic<std::int32_t> &indicator_;
};

// The indicators features raise around their link calls.
struct BusyIndicators {
    const std::atomic<std::int32_t> &monitor;
    const std::atomic<std::int32_t> &jog;
    const std::atomic<std::int32_t> &trace;
    const std::atomic<std::int32_t> &general;

    bool any() const
    {
        return monitor.load() == 1 || jog.load() == 1 || trace.load() == 1 || general.load() == 1;
    }
};

// What is done about a stalled exchange: the feature loops' run switches are
// cleared, then the listener (called on the caller's thread) is told.
class StallResponse {
public:
    StalledFeatureSwitches &switches() { return switches_; }
    void setListener(std::function<void()> listener);
    void respond();

private:
    StalledFeatureSwitches switches_;
    std::mutex listenerMutex_;
    std::function<void()> listener_;
};

class LinkWatchdog {
public:
    LinkWatchdog(const std::atomic<std::int32_t> &runSwitch, BusyIndicators busy, HeartbeatEvent &heartbeat,
                 const LinkLibrary &link, std::function<void()> onStall, std::chrono::milliseconds timeout);

    // Starts the watchdog thread unless it runs; it ends when the run switch is cleared.
    void start();
    void waitUntilEnded(const std::function<void()> &tick) { worker_.waitUntilEnded(tick); }
    bool isRunning() const { return worker_.isRunning(); }

private:
    bool running() const { return runSwitch_.load() == 1; }
    void loop();

    const std::atomic<std::int32_t> &runSwitch_;
    BusyIndicators busy_;
    HeartbeatEvent &heartbeat_;
    const LinkLibrary &link_;
    std::function<void()> onStall_;
    std::chrono::milliseconds timeout_;
    WorkerHandle worker_;
};

} // namespace tarvex
