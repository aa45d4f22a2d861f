// A one-shot capture (trigger capture, alarm recording) drawn onto the
// chart: every channel in use set point by point on its series, each point
// labelled with its time in milliseconds.
#pragma once

#include "app/graphs/channel_chart_setup.h"
#include "app/ui/chart/chart_view.h"

#include <QString>

#include <array>
#include <cstddef>
#include <vector>

namespace tarvex::graphs {

// The chart of a capture of `points` samples: the channels' set-up with
// the x caption "[ms]" and the x axis showing every sample.
ChartSetup captureChartSetup(const std::array<QString, 4> &names, const std::array<int, 4> &listIndices,
                             const ChannelLimits &limits, int points);

// Label of point k of a capture taken every `period` x 0.2 ms: "%.1f " of
// the time in milliseconds.
QString captureTimeLabel(int period, int k);

// Sets points 0 to N-1 of every channel whose list index is not 0 and
// labels them, then redraws.
void plotCapture(CChartView &chart, const std::array<std::vector<int>, 4> &scaled,
                 const std::array<int, 4> &listIndices, int period);

template <std::size_t N>
std::array<std::vector<int>, 4> plotValues(const std::array<std::array<int, N>, 4> &scaled)
{
    std::array<std::vector<int>, 4> values;
    for (std::size_t c = 0; c < 4; ++c)
        values[c].assign(scaled[c].begin(), scaled[c].end());
    return values;
}

} // namespace tarvex::graphs
