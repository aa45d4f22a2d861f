// The trace's graph data file (*.mdg) as the data trace window writes it:
// 361 points per channel, each with the chart's own value and the point
// index times the window's period field as its time.
#pragma once

#include "drive/capture/graph_file.h"

#include <array>
#include <string>

namespace tarvex::trace {

inline constexpr int kTracePoints = 361;
using TraceValues = std::array<std::array<float, kTracePoints>, 4>;

struct TraceFileSource {
    std::array<std::string, 4> channelNames;
    std::array<int, 4> listIndices{};
    TraceValues values{};  // zero beyond the points the chart held
    int periodEditMs = 0;  // written on the period line
    int periodField = 0;   // the time column's factor
    graphs::ChannelLimits limits = graphs::kDefaultLimits;
};

graphs::GraphFileWriting traceFileWriting(const TraceFileSource &source);

// The file holds a run's newest 361 points only. For a run of `points`
// points sampled every `periodMs`, the question that says so before the
// file is written, naming what it keeps and where the whole run goes; empty
// when the run fits.
std::string newestOnlyQuestion(long long points, int periodMs);

} // namespace tarvex::trace
