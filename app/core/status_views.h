// What the status poll thread needs of the three status panes. The panes
// implement these; every call may come from the poll thread, so the panes
// keep the tick state in an atomic word and hand values to their own thread.
#pragma once

#include <cstdint>
#include <string>

namespace tarvex {

class StatusVariableView {
public:
    virtual ~StatusVariableView() = default;
    // Bit row - 1 is set for each ticked row (1 to 26).
    virtual std::uint32_t tickedRows() const = 0;
    // Shows `text` in the value column of `row`; calls arrive in order.
    virtual void showValue(int row, const std::string &text) = 0;
    // Marks the values shown as old (monitoring stopped or the link closed)
    // or as live again.
    virtual void showStale(bool /*stale*/) {}
};

class LampView {
public:
    virtual ~LampView() = default;
    // Lights (red) or darkens (black) the lamp of `row`.
    virtual void showLamp(int row, bool on) = 0;
    // As StatusVariableView::showStale.
    virtual void showStale(bool /*stale*/) {}
};

} // namespace tarvex
