// What the trend pane has seen of the state variables: per row, the values
// of the poll cycles with their time in seconds since the first cycle,
// kept for a bounded span so a day of monitoring never fills the memory.
// A restart of monitoring leaves a gap (a NaN point) so the line does not
// join the two runs.
#pragma once

#include "drive/connection/status_variables.h"

#include <array>
#include <cstddef>
#include <deque>

namespace tarvex {

struct TrendPoint {
    double seconds = 0;
    double value = 0;
};

class TrendHistory {
public:
    static constexpr double kDefaultSpan = 600; // ten minutes
    // A fast link polls every few tens of milliseconds; this caps a row
    // even then.
    static constexpr std::size_t kMaxPointsPerRow = 40000;

    explicit TrendHistory(double spanSeconds = kDefaultSpan) : span_(spanSeconds) {}

    // Adds the value of `row` (1 to 26) at `seconds`; older points than
    // the span before it go.
    void add(int row, double seconds, double value);
    // Breaks every line at `seconds`: monitoring stopped there.
    void breakLines(double seconds);
    const std::deque<TrendPoint> &points(int row) const;
    double span() const { return span_; }
    void clear();

private:
    double span_;
    std::array<std::deque<TrendPoint>, status::kRowCount> rows_;
};

} // namespace tarvex
