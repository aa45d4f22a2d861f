#include "app/graphs/trace/trace_history_source.h"

#include "drive/capture/channel_catalog.h"
#include "app/graphs/channel_chart_setup.h"
#include "app/ui/chart/chart_view.h"
#include "drive/text/number_text.h"
#include "drive/capture/trace/trace_values.h"

#include <algorithm>
#include <cmath>

namespace tarvex::trace {

namespace {
int channelOfSeries(int series)
{
    const auto it = std::find(graphs::kChannelSeries.begin(), graphs::kChannelSeries.end(), series);
    return it == graphs::kChannelSeries.end() ? -1 : static_cast<int>(it - graphs::kChannelSeries.begin());
}
} // namespace

QString traceTimeLabel(long long point, int periodMs)
{
    return QString::fromStdString(fixedText(static_cast<double>(point + 1) * periodMs / 1000.0, 2) + " ");
}

long TraceHistorySource::chartPoints() const
{
    int longest = 0;
    for (int series : graphs::kChannelSeries)
        longest = std::max(longest, chart_.count(series));
    return longest;
}

long TraceHistorySource::olderPoints() const
{
    return std::max(0L, static_cast<long>(history_.size()) - chartPoints());
}

bool TraceHistorySource::hasSeries(int series) const
{
    const int channel = channelOfSeries(series);
    return channel >= 0 && shown_[static_cast<std::size_t>(channel)] != graphs::kNotUsed &&
           history_.listIndices() == shown_;
}

double TraceHistorySource::plotted(int series, long position) const
{
    const int channel = channelOfSeries(series);
    const long sample = static_cast<long>(history_.size()) - chartPoints() + position;
    if (channel < 0 || sample < 0 || static_cast<std::size_t>(sample) >= history_.size())
        return 0.0;
    // The history holds physical values; the drive's raw sample is what the
    // plot step maps (the DC link arrives in tenths of a volt).
    const int listIndex = shown_[static_cast<std::size_t>(channel)];
    const double physical = history_.value(static_cast<std::size_t>(sample), channel);
    const int raw = static_cast<int>(std::lround(listIndex == graphs::kDcLinkIndex ? physical * 10.0 : physical));
    return tracePlotValue(channel, raw, listIndex, limits_);
}

std::array<std::vector<double>, 4> TraceHistorySource::samples(std::pair<double, double> view) const
{
    const double offset = static_cast<double>(history_.size()) - static_cast<double>(chartPoints());
    const double first = std::max(0.0, std::ceil(view.first + offset));
    const double last = std::min(static_cast<double>(history_.size()) - 1.0, std::floor(view.second + offset));
    std::array<std::vector<double>, 4> out;
    if (last < first || history_.listIndices() != shown_)
        return out;
    for (std::size_t c = 0; c < 4; ++c) {
        if (shown_[c] == graphs::kNotUsed)
            continue;
        out[c].reserve(static_cast<std::size_t>(last - first) + 1);
        for (auto i = static_cast<std::size_t>(first); i <= static_cast<std::size_t>(last); ++i)
            out[c].push_back(history_.value(i, static_cast<int>(c)));
    }
    return out;
}

QString TraceHistorySource::label(long position) const
{
    const long long sample = history_.dropped() + static_cast<long long>(history_.size()) - chartPoints() + position;
    return sample < 0 ? QString() : traceTimeLabel(sample, periodMs_);
}

} // namespace tarvex::trace
