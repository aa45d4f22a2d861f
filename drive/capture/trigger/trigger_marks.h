// Where the trigger lies on a captured plot: the trigger position is a
// sample index; the level can be drawn only when one of the plotted
// channels shows the trigger's source quantity, and then in that channel's
// display units mapped into channel 1's range like its samples.
#pragma once

#include "drive/capture/channel_catalog.h"
#include "drive/capture/channel_scaling.h"
#include "drive/capture/graph_file.h"

#include <array>
#include <optional>

namespace tarvex::trigger {

// The level on the plot's (channel 1's) scale, or nothing when no plotted
// channel shows the source. Sources and channels share the drive codes 1,
// 2 and 4 to 7; code 3 and the digital codes name different quantities.
inline std::optional<double> triggerLevelOnPlot(const graphs::TriggerSettings &trigger,
                                                const std::array<int, 4> &listIndices,
                                                const graphs::ChannelLimits &limits)
{
    const int source = graphs::triggerSourceCode(graphs::clampListIndex(trigger.source, graphs::kChannelEntries));
    if (source < 1 || source > 7 || source == 3)
        return std::nullopt;
    for (std::size_t c = 0; c < 4; ++c) {
        if (graphs::channelCode(listIndices[c]) != source)
            continue;
        // The DC link's level is set in 0.1 V, its channel shows volts.
        const double level = source == 7 ? trigger.level / 10.0 : trigger.level;
        if (c == 0)
            return level;
        const graphs::AxisLimits own = limits[c];
        const graphs::AxisLimits primary = limits[0];
        if (own.span() == 0)
            return std::nullopt;
        return (level - own.min) * primary.span() / own.span() + primary.min;
    }
    return std::nullopt;
}

} // namespace tarvex::trigger
