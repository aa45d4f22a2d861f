// What the trace plots for a sample: channel 1 in its own units, channels 2
// to 4 mapped into channel 1's range, DC-link voltages in volts. And how a
// plotted value moves when the axis limits change.
#pragma once

#include "drive/capture/channel_scaling.h"

#include <array>

namespace tarvex::trace {

// The chart value of raw sample `sample` of `channel` (0 to 3) whose list
// entry is `listIndex`; `limits` are the four channels' axis limits.
int tracePlotValue(int channel, int sample, int listIndex, const graphs::ChannelLimits &limits);

// A chart value of `channel` plotted under `before`, as it is plotted under
// `after`: channel 1 keeps its value, the others keep their physical value.
float rescaledPlotValue(int channel, float plotted, const graphs::ChannelLimits &before,
                        const graphs::ChannelLimits &after);

} // namespace tarvex::trace
