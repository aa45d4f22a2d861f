// The main frame's two state words, kept apart from the window so that the
// drive connection (and the status poll thread, when the link fails) can
// change them without touching a widget. Whoever changes a word notifies the
// listener; the frame re-evaluates its commands on its own thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

namespace tarvex {

namespace connection_state {
inline constexpr std::int32_t kNothingChosen = 0;
inline constexpr std::int32_t kConnected = 1;
inline constexpr std::int32_t kSettingsChosen = 2;
inline constexpr std::int32_t kDisconnected = 3;
} // namespace connection_state

namespace monitor_state {
inline constexpr std::int32_t kRunning = 8;
inline constexpr std::int32_t kStopped = 9;
} // namespace monitor_state

class FrameState {
public:
    std::int32_t connectionState() const { return connectionState_.load(); }
    std::int32_t monitorState() const { return monitorState_.load(); }

    void setConnectionState(std::int32_t value)
    {
        connectionState_.store(value);
        notifyChanged();
    }
    void setMonitorState(std::int32_t value)
    {
        monitorState_.store(value);
        notifyChanged();
    }

    // Called after any change of a word that the command rules read (the
    // active feature included); may run on any thread.
    void setChangeListener(std::function<void()> listener)
    {
        std::lock_guard lock(mutex_);
        changed_ = std::move(listener);
    }
    // Called when cyclic monitoring starts (true) or stops (false), so the
    // parameter window can disable its "All Write" button meanwhile.
    void setMonitoringListener(std::function<void(bool)> listener)
    {
        std::lock_guard lock(mutex_);
        monitoring_ = std::move(listener);
    }

    void notifyChanged()
    {
        std::function<void()> listener;
        {
            std::lock_guard lock(mutex_);
            listener = changed_;
        }
        if (listener)
            listener();
    }
    void notifyMonitoring(bool running)
    {
        std::function<void(bool)> listener;
        {
            std::lock_guard lock(mutex_);
            listener = monitoring_;
        }
        if (listener)
            listener(running);
    }

private:
    std::atomic<std::int32_t> connectionState_{connection_state::kNothingChosen};
    std::atomic<std::int32_t> monitorState_{monitor_state::kStopped};
    std::mutex mutex_;
    std::function<void()> changed_;
    std::function<void(bool)> monitoring_;
};

} // namespace tarvex
