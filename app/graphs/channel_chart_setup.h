// The chart set-up of a capture window from its four channel selections:
// channel 1's limits as the plot's range, one value axis per further
// channel with its own limits, the channel names as captions, and the
// channels left at "Not Use" kept off the plot and the legend.
#pragma once

#include "drive/capture/channel_scaling.h"
#include "app/ui/chart/chart_view.h"

#include <QString>

#include <array>

namespace tarvex::graphs {

ChartSetup channelChartSetup(const std::array<QString, 4> &names, const std::array<int, 4> &listIndices,
                             const ChannelLimits &limits, const QString &xCaption);

// The chart series of channels 1 to 4.
inline constexpr std::array<int, 4> kChannelSeries = {0, 1, 2, 5};

} // namespace tarvex::graphs
