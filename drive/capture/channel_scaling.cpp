#include "drive/capture/channel_scaling.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tarvex::graphs {

namespace {

// A mapped value beyond what a plotted point can hold (extreme limits from
// a file) is pinned to the nearest one it can, keeping its side of the
// plot, instead of wrapping round to some other value.
int pinned(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(std::clamp(value, double{std::numeric_limits<int>::min()},
                                       double{std::numeric_limits<int>::max()}));
}

} // namespace

std::string unusableLimitsText(const ChannelLimits &limits)
{
    std::string text;
    for (std::size_t c = 0; c < limits.size(); ++c)
        if (!usableLimits(withinBound(limits[c])))
            text += "Channel " + std::to_string(c + 1) + ": max " + std::to_string(limits[c].max) + ", min " +
                    std::to_string(limits[c].min) + "\n";
    return text;
}

int mapToPrimary(int sample, AxisLimits own, AxisLimits primary)
{
    if (own.span() == 0)
        return primary.min;
    const std::int64_t product = std::int64_t{primary.span()} * (std::int64_t{sample} - own.min);
    const std::int64_t mapped = product / own.span() + primary.min;
    return static_cast<int>(std::clamp<std::int64_t>(mapped, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

int mapDcLinkToPrimary(int sample, AxisLimits own, AxisLimits primary)
{
    if (own.span() == 0)
        return primary.min;
    const double y = (sample / 10.0 - own.min) * primary.span() / own.span() + primary.min;
    return pinned(y);
}

float plottedToPhysical(float plotted, AxisLimits own, AxisLimits primary)
{
    if (primary.span() == 0)
        return static_cast<float>(own.min);
    return static_cast<float>(own.min) +
           static_cast<float>(own.span()) * (plotted - static_cast<float>(primary.min)) /
               static_cast<float>(primary.span());
}

float physicalToPlotted(float physical, AxisLimits own, AxisLimits primary)
{
    if (own.span() == 0)
        return static_cast<float>(primary.min);
    return (physical - static_cast<float>(own.min)) * static_cast<float>(primary.span()) /
               static_cast<float>(own.span()) +
           static_cast<float>(primary.min);
}

} // namespace tarvex::graphs
