#pragma once
// The mapping of a channel's value into channel 1's axis range, worked out
// independently of the program's own scaling so that plotted points can be
// checked against it.
#include "drive/capture/channel_scaling.h"

namespace tarvex::test {

inline int expectedMapping(int x, graphs::AxisLimits own, graphs::AxisLimits primary)
{
    const long long product = static_cast<long long>(primary.max - primary.min) * (x - own.min);
    return static_cast<int>(product / (own.max - own.min) + primary.min);
}

} // namespace tarvex::test
