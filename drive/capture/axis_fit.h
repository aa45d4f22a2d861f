// Whole-number axis limits that hold a range of values with a small margin,
// for the autoscale of one channel's axis; within the bounds the axis dialog
// accepts, and never equal (an axis needs a span).
#pragma once

#include "drive/capture/channel_scaling.h"

#include <algorithm>
#include <cmath>

namespace tarvex::graphs {

inline AxisLimits fittedLimits(double low, double high)
{
    if (high < low)
        std::swap(low, high);
    const double margin = high > low ? (high - low) * 0.05 : 1.0;
    const auto bound = [](double v) {
        return static_cast<int>(std::clamp(v, -static_cast<double>(kAxisLimitBound), static_cast<double>(kAxisLimitBound)));
    };
    AxisLimits fitted{bound(std::ceil(high + margin)), bound(std::floor(low - margin))};
    if (fitted.max <= fitted.min)
        fitted.max = fitted.min + 1;
    return fitted;
}

} // namespace tarvex::graphs
