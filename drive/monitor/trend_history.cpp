#include "drive/monitor/trend_history.h"

#include <cmath>
#include <limits>

namespace tarvex {

namespace {
const std::deque<TrendPoint> kNoPoints;
}

void TrendHistory::add(int row, double seconds, double value)
{
    if (row < 1 || row > status::kRowCount)
        return;
    auto &points = rows_[static_cast<std::size_t>(row - 1)];
    points.push_back({seconds, value});
    while (!points.empty() && (points.front().seconds < seconds - span_ || points.size() > kMaxPointsPerRow))
        points.pop_front();
}

void TrendHistory::breakLines(double seconds)
{
    for (auto &points : rows_)
        if (!points.empty() && !std::isnan(points.back().value))
            points.push_back({seconds, std::numeric_limits<double>::quiet_NaN()});
}

const std::deque<TrendPoint> &TrendHistory::points(int row) const
{
    if (row < 1 || row > status::kRowCount)
        return kNoPoints;
    return rows_[static_cast<std::size_t>(row - 1)];
}

void TrendHistory::clear()
{
    for (auto &points : rows_)
        points.clear();
}

} // namespace tarvex
