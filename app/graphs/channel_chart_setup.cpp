#include "app/graphs/channel_chart_setup.h"

#include "drive/capture/channel_catalog.h"

namespace tarvex::graphs {

ChartSetup channelChartSetup(const std::array<QString, 4> &names, const std::array<int, 4> &listIndices,
                             const ChannelLimits &limits, const QString &xCaption)
{
    ChartSetup setup;
    for (std::size_t c = 0; c < 4; ++c) {
        ChartChannel &channel = setup.channels[c];
        channel.name = names[c];
        channel.max = limits[c].max;
        channel.min = limits[c].min;
        channel.shown = listIndices[c] != kNotUsed;
    }
    setup.axes = 4;
    setup.xCaption = xCaption;
    setup.xFirst = 0;
    setup.xLast = CChartView::kWindow - 1;
    return setup;
}

} // namespace tarvex::graphs
