// The trace run before the chart's own window of points, as the chart draws
// it when the user scrolls back: each sample mapped exactly as the plot
// step maps it, labelled with the time it was recorded at.
#pragma once

#include "drive/capture/channel_scaling.h"
#include "app/ui/chart/chart_history.h"
#include "drive/capture/trace/trace_history.h"

#include <array>
#include <utility>
#include <vector>

class CChartView;

namespace tarvex::trace {

class TraceHistorySource : public ChartHistorySource {
public:
    // All referenced objects belong to the trace window and outlive this.
    TraceHistorySource(const TraceHistory &history, const CChartView &chart, const graphs::ChannelLimits &limits,
                       const std::array<int, 4> &shownIndices, const int &periodMs)
        : history_(history), chart_(chart), limits_(limits), shown_(shownIndices), periodMs_(periodMs)
    {
    }

    long olderPoints() const override;
    bool hasSeries(int series) const override;
    double plotted(int series, long position) const override;
    QString label(long position) const override;

    // The recorded samples (physical units) of the channels in use at the
    // chart positions from `view.first` to `view.second`.
    std::array<std::vector<double>, 4> samples(std::pair<double, double> view) const;

private:
    // The chart's points are the newest of the history.
    long chartPoints() const;

    const TraceHistory &history_;
    const CChartView &chart_;
    const graphs::ChannelLimits &limits_;
    const std::array<int, 4> &shown_;
    const int &periodMs_;
};

// "%.2f " of the seconds at the end of point `point` (counted from 0).
QString traceTimeLabel(long long point, int periodMs);

} // namespace tarvex::trace
