// The user-interface thread's longest stall: a timer asks to run every
// millisecond and notes the longest gap between its turns. `onTick` runs at
// each turn (for the benchmark's own checks).
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <functional>

class UiStallWatch {
public:
    explicit UiStallWatch(std::function<void()> onTick = {}) : onTick_(std::move(onTick))
    {
        clock_.start();
        ticker_.setInterval(1);
        QObject::connect(&ticker_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            longest_ = std::max(longest_, now - last_);
            last_ = now;
            if (onTick_)
                onTick_();
        });
        ticker_.start();
    }
    void stop() { ticker_.stop(); }
    qint64 longestMs() const { return longest_; }
    qint64 elapsedMs() const { return clock_.elapsed(); }

private:
    std::function<void()> onTick_;
    QElapsedTimer clock_;
    QTimer ticker_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};
