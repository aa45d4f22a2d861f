#include "drive/capture/trace/trace_file.h"

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

} // namespace tarvex::trace
