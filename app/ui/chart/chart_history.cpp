#include "app/ui/chart/chart_history.h"

#include <algorithm>

void appendDecimated(long from, long to, int columns, const std::function<double(long)> &value, QVector<double> &keys,
                     QVector<double> &values)
{
    if (to <= from)
        return;
    const long count = to - from;
    columns = std::max(1, columns);
    if (count <= 2L * columns) {
        for (long p = from; p < to; ++p) {
            keys.push_back(static_cast<double>(p));
            values.push_back(value(p));
        }
        return;
    }
    for (long c = 0; c < columns; ++c) {
        const long begin = from + count * c / columns;
        const long end = from + count * (c + 1) / columns;
        if (end <= begin)
            continue;
        long low = begin;
        long high = begin;
        double lowValue = value(begin);
        double highValue = lowValue;
        for (long p = begin + 1; p < end; ++p) {
            const double v = value(p);
            if (v < lowValue) {
                lowValue = v;
                low = p;
            } else if (v > highValue) {
                highValue = v;
                high = p;
            }
        }
        const bool lowFirst = low <= high;
        keys.push_back(static_cast<double>(lowFirst ? low : high));
        values.push_back(lowFirst ? lowValue : highValue);
        if (low != high) {
            keys.push_back(static_cast<double>(lowFirst ? high : low));
            values.push_back(lowFirst ? highValue : lowValue);
        }
    }
}
