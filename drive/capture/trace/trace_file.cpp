#include "drive/capture/trace/trace_file.h"

#include "drive/text/number_text.h"

namespace tarvex::trace {

graphs::GraphFileWriting traceFileWriting(const TraceFileSource &source)
{
    graphs::GraphFileWriting file;
    file.kind = graphs::GraphKind::Trace;
    file.channelNames = source.channelNames;
    file.listIndices = source.listIndices;
    file.period = source.periodEditMs;
    file.limits = source.limits;
    for (std::size_t c = 0; c < 4; ++c) {
        auto &points = file.points[c];
        points.reserve(kTracePoints);
        for (int i = 0; i < kTracePoints; ++i)
            points.push_back({graphs::traceValueText(static_cast<double>(source.values[c][static_cast<std::size_t>(i)])),
                              graphs::traceTimeText(i, source.periodField)});
    }
    return file;
}

std::string newestOnlyQuestion(long long points, int periodMs)
{
    if (points <= kTracePoints)
        return {};
    const auto seconds = [periodMs](long long n) { return fixedText(static_cast<double>(n) * periodMs / 1000.0, 2); };
    return "The file keeps only the newest " + std::to_string(kTracePoints) + " of the run's " +
           std::to_string(points) + " points (the last " + seconds(kTracePoints) + " s of " + seconds(points) +
           " s). \"Export CSV...\" in the chart's menu (right click on the chart) saves the whole run.\n\n"
           "Save the newest " + std::to_string(kTracePoints) + " points?";
}

} // namespace tarvex::trace
