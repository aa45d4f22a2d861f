// What the status poll thread needs of the three status panes. The panes
// implement these; every call may come from the poll thread, so the panes
// keep the tick state in an atomic word and hand values to their own thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarvex {

// One poll cycle's state variables as the pane shows them, with the moment
// the reply came in; for the trend and the recording, which must see the
// same numbers as the pane.
struct StatusCycle {
    std::chrono::system_clock::time_point wallTime;
    std::chrono::steady_clock::time_point time;
    std::vector<std::pair<int, std::string>> values; // (row, text) of the rows read
};

class StatusVariableView {
public:
    virtual ~StatusVariableView() = default;
    // Bit row - 1 is set for each ticked row (1 to 26).
    virtual std::uint32_t tickedRows() const = 0;
    // Shows `text` in the value column of `row`; calls arrive in order.
    virtual void showValue(int row, const std::string &text) = 0;
    // A whole cycle's values at once (row, text).
    virtual void showValues(const std::vector<std::pair<int, std::string>> &values)
    {
        for (const auto &[row, text] : values)
            showValue(row, text);
    }
    // Marks the values shown as old (monitoring stopped or the link closed)
    // or as live again.
    virtual void showStale(bool /*stale*/) {}
    // After the cycle's values have been shown.
    virtual void cycleShown(const StatusCycle & /*cycle*/) {}
};

class LampView {
public:
    virtual ~LampView() = default;
    // Lights (red) or darkens (black) the lamp of `row`.
    virtual void showLamp(int row, bool on) = 0;
    // All lamps of a cycle at once: element i is row i + 1.
    virtual void showLamps(const std::vector<bool> &on)
    {
        for (std::size_t i = 0; i < on.size(); ++i)
            showLamp(static_cast<int>(i) + 1, on[i]);
    }
    // As StatusVariableView::showStale.
    virtual void showStale(bool /*stale*/) {}
};

} // namespace tarvex
