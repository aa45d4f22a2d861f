#include "drive/capture/trace/trace_values.h"

#include "drive/capture/channel_catalog.h"

namespace tarvex::trace {

int tracePlotValue(int channel, int sample, int listIndex, const graphs::ChannelLimits &limits)
{
    if (channel <= 0 || channel > 3)
        return graphs::displaySample(sample, listIndex);
    const graphs::AxisLimits own = limits[static_cast<std::size_t>(channel)];
    if (listIndex == graphs::kDcLinkIndex)
        return graphs::mapDcLinkToPrimary(sample, own, limits[0]);
    return graphs::mapToPrimary(sample, own, limits[0]);
}

float rescaledPlotValue(int channel, float plotted, const graphs::ChannelLimits &before,
                        const graphs::ChannelLimits &after)
{
    if (channel <= 0 || channel > 3)
        return plotted;
    const auto c = static_cast<std::size_t>(channel);
    const float physical = graphs::plottedToPhysical(plotted, before[c], before[0]);
    return graphs::physicalToPlotted(physical, after[c], after[0]);
}

} // namespace tarvex::trace
