// The "keep running" words of the drive features that loop on the link
// (jogs, tuning, the graph captures). Each feature window registers its run
// switch with the drive connection; when an exchange has stalled for too
// long the link watchdog clears every registered switch so those loops end.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tarvex {

class RunSwitch {
public:
    void set(bool on) { value_.store(on ? 1 : 0); }
    bool isOn() const { return value_.load() != 0; }

private:
    std::atomic<std::int32_t> value_{0};
};

class StalledFeatureSwitches {
public:
    void add(RunSwitch &runSwitch)
    {
        std::lock_guard lock(mutex_);
        if (std::find(switches_.begin(), switches_.end(), &runSwitch) == switches_.end())
            switches_.push_back(&runSwitch);
    }
    // A feature window removes its switch before it goes away.
    void remove(RunSwitch &runSwitch)
    {
        std::lock_guard lock(mutex_);
        switches_.erase(std::remove(switches_.begin(), switches_.end(), &runSwitch),
                        switches_.end());
    }
    void clearAll()
    {
        std::lock_guard lock(mutex_);
        for (RunSwitch *runSwitch : switches_)
            runSwitch->set(false);
    }
    std::size_t size() const
    {
        std::lock_guard lock(mutex_);
        return switches_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<RunSwitch *> switches_;
};

// A feature window's registration of its run switch: with the switches of
// the connection it is attached to, and with none once it goes away.
// Declared after the switch it registers, so it is withdrawn first.
class StalledFeatureRegistration {
public:
    explicit StalledFeatureRegistration(RunSwitch &runSwitch) : switch_(runSwitch) {}
    ~StalledFeatureRegistration() { withdraw(); }
    StalledFeatureRegistration(const StalledFeatureRegistration &) = delete;
    StalledFeatureRegistration &operator=(const StalledFeatureRegistration &) = delete;

    void registerWith(StalledFeatureSwitches &switches)
    {
        if (switches_ == &switches)
            return;
        withdraw();
        switches_ = &switches;
        switches_->add(switch_);
    }
    void withdraw()
    {
        if (switches_)
            switches_->remove(switch_);
        switches_ = nullptr;
    }

private:
    RunSwitch &switch_;
    StalledFeatureSwitches *switches_ = nullptr;
};

} // namespace tarvex
