// Turning the event loop in widget tests while a window's worker thread
// hands its results to the user-interface thread.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

#include <chrono>
#include <thread>

namespace tarvex::test {

// Processes events until `condition` holds (true) or `timeout` passes (false).
template <class Condition>
bool pumpUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Outside a running event loop deleteLater() waits for this.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline void pumpFor(std::chrono::milliseconds time)
{
    pumpUntil([] { return false; }, time);
}

} // namespace tarvex::test
