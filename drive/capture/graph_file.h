// The trace (*.mdg), trigger (*.mtg) and alarm graph (*.mag) files: four
// channel blocks of one tab-separated line per sample, then a period line
// and a line with the eight axis limits. A block's first line starts with the
// channel's name, its other lines with the channel's list index. Lines end
// with CR LF.
#pragma once

#include "drive/capture/channel_scaling.h"
#include "drive/files/file_access.h"

#include <array>
#include <string>
#include <vector>

namespace tarvex::graphs {

enum class GraphKind { Trace, Trigger, AlarmGraph };

constexpr int linesPerBlock(GraphKind kind)
{
    return kind == GraphKind::Trace ? 361 : kind == GraphKind::Trigger ? 256 : 128;
}

// File dialog filters of the three kinds.
const char *graphFileFilter(GraphKind kind);

struct TriggerSettings {
    int source = 0; // list index
    int edge = 0;   // list index
    int position = 0;
    int level = 0;
};

// One saved point: its value and time texts as they are written.
struct PointRecord {
    std::string value;
    std::string time;
};

struct GraphFileWriting {
    GraphKind kind = GraphKind::Trace;
    std::array<std::string, 4> channelNames;
    std::array<int, 4> listIndices{};
    std::array<std::vector<PointRecord>, 4> points; // linesPerBlock(kind) each; missing ones are written empty
    int period = 0;
    ChannelLimits limits = kDefaultLimits;
    TriggerSettings trigger; // written on every line of a trigger file
};

// Saved atomically: on failure the reason, and the old file stays as it was.
FileOutcome writeGraphFile(const std::string &path, const GraphFileWriting &file);

struct GraphFileContents {
    std::array<int, 4> listIndices{};
    int period = 0;
    ChannelLimits limits = kDefaultLimits;
    TriggerSettings trigger;
    std::array<std::vector<int>, 4> samples; // linesPerBlock(kind) each
};

// Reads a file into `into`. Malformed text converts to 0, lines without a tab
// after their first character and blank lines do not count, lines after the
// limits line are ignored. A trace file starts from zeroed samples; trigger
// and alarm graph files keep the samples of `into` where lines are missing.
// Refused, with the reason, when the file cannot be read or is not whole: cut
// short without its last line end, or with a line too long to take whole.
FileOutcome readGraphFile(const std::string &path, GraphKind kind, GraphFileContents &into);

// Time texts of the saved points: the trace writes the point index times its
// period field, the captures the time in milliseconds of 0.2 ms periods.
std::string traceTimeText(int index, int periodField);
std::string captureTimeText(int index, int period);
std::string traceValueText(double value);
std::string captureValueText(int sample);

} // namespace tarvex::graphs
