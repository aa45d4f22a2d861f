#include "app/graphs/capture_plot.h"

#include "drive/capture/channel_catalog.h"
#include "drive/capture/graph_file.h"

#include <algorithm>

namespace tarvex::graphs {

ChartSetup captureChartSetup(const std::array<QString, 4> &names, const std::array<int, 4> &listIndices,
                             const ChannelLimits &limits, int points)
{
    ChartSetup setup = channelChartSetup(names, listIndices, limits, QStringLiteral("[ms]"));
    setup.xFirst = 0;
    setup.xLast = std::max(1, points - 1);
    return setup;
}

QString captureTimeLabel(int period, int k) { return QString::fromStdString(captureTimeText(k, period)); }

void plotCapture(CChartView &chart, const std::array<std::vector<int>, 4> &scaled,
                 const std::array<int, 4> &listIndices, int period)
{
    std::size_t points = 0;
    for (const auto &values : scaled)
        points = std::max(points, values.size());
    for (std::size_t k = 0; k < points; ++k) {
        for (std::size_t c = 0; c < 4; ++c) {
            if (listIndices[c] == kNotUsed || k >= scaled[c].size())
                continue;
            chart.setPoint(kChannelSeries[c], static_cast<int>(k), scaled[c][k]);
        }
        chart.setLabel(static_cast<int>(k), captureTimeLabel(period, static_cast<int>(k)));
    }
    // The cursors measure with the exact spacing, not the rounded labels.
    chart.setPointSpacing(period * 0.0002);
    chart.redraw();
}

} // namespace tarvex::graphs
