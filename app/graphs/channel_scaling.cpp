#include "channel_scaling.h"

namespace tarvex::graphs {

int mapToPrimary(int sample, AxisLimits own, AxisLimits primary)
{
    if (own.span() == 0)
        return primary.min;
    const std::int64_t product = std::int64_t{primary.span()} * (std::int64_t{sample} - own.min);
    return static_cast<int>(product / own.span() + primary.min);
}

int mapDcLinkToPrimary(int sample, AxisLimits own, AxisLimits primary)
{
    if (own.span() == 0)
        return primary.min;
    const double y = (sample / 10.0 - own.min) * primary.span() / own.span() + primary.min;
    return static_cast<int>(y);
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
