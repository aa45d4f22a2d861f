#include "drive/connection/link_watchdog.h"

#include <algorithm>
#include <thread>

namespace tarvex {

namespace {

constexpr std::chrono::milliseconds kWatchdogRound{100};
constexpr std::chrono::milliseconds kWatchdogAfterTimeout{200};
// The watchdog waits in short slices so that switching it off ends it at once.
constexpr std::chrono::milliseconds kWatchdogSlice{50};

// Sleeps up to `total`, returning early when `keepGoing` turns false.
template <class Condition>
void sleepWhile(std::chrono::milliseconds total, Condition keepGoing)
{
    const auto end = std::chrono::steady_clock::now() + total;
    while (keepGoing() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::min<std::chrono::milliseconds>(
            kWatchdogSlice, std::chrono::duration_cast<std::chrono::milliseconds>(
                                end - std::chrono::steady_clock::now()) +
                                std::chrono::milliseconds(1)));
}

} // namespace

void StallResponse::setListener(std::function<void()> listener)
{
    std::lock_guard lock(listenerMutex_);
    listener_ = std::move(listener);
}

void StallResponse::respond()
{
    switches_.clearAll();
    std::lock_guard lock(listenerMutex_);
    if (listener_)
        listener_();
}

LinkWatchdog::LinkWatchdog(const std::atomic<std::int32_t> &runSwitch, BusyIndicators busy,
                           HeartbeatEvent &heartbeat, const LinkLibrary &link, std::function<void()> onStall,
                           std::chrono::milliseconds timeout)
    : runSwitch_(runSwitch), busy_(busy), heartbeat_(heartbeat), link_(link), onStall_(std::move(onStall)),
      timeout_(timeout)
{
}

void LinkWatchdog::start()
{
    worker_.startIfIdle([this] { loop(); }, [this] { return running(); });
}

void LinkWatchdog::loop()
{
    const auto running = [this] { return this->running(); };
    while (running()) {
        if (busy_.any()) {
            bool heard = false;
            const auto end = std::chrono::steady_clock::now() + timeout_;
            while (!heard && running() && std::chrono::steady_clock::now() < end)
                heard = heartbeat_.wait(kWatchdogSlice);
            if (!heard && running()) {
                // No exchange has started for the whole time-out while a
                // feature claims to be using the link: stop the feature loops.
                if (link_.IsConnect())
                    onStall_();
                sleepWhile(kWatchdogAfterTimeout, running);
            }
        }
        sleepWhile(kWatchdogRound, running);
    }
}

} // namespace tarvex
