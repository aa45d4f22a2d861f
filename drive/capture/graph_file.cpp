#include "drive/capture/graph_file.h"

#include "drive/text/number_text.h"

#include "drive/files/text_file_lines.h"

namespace tarvex::graphs {
namespace {

constexpr std::size_t kLineLimit = 255; // characters of a line that are read

// Times carry one decimal and a trailing blank, as the windows label points.
std::string timeText(double value)
{
    return fixedText(value, 1) + " ";
}

std::vector<std::string> splitTabs(const std::string &line, std::size_t maxColumns)
{
    std::vector<std::string> columns;
    std::size_t start = 0;
    while (columns.size() + 1 < maxColumns) {
        const std::size_t tab = line.find('\t', start);
        if (tab == std::string::npos)
            break;
        columns.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    columns.push_back(line.substr(start));
    return columns;
}

int integer(const std::vector<std::string> &columns, std::size_t i)
{
    return i < columns.size() ? leadingInteger(columns[i]) : 0;
}

} // namespace

const char *graphFileFilter(GraphKind kind)
{
    switch (kind) {
    case GraphKind::Trace: return "M9 TraceGraph File(*.mdg)";
    case GraphKind::Trigger: return "M9 TriggerGraph File(*.mtg)";
    case GraphKind::AlarmGraph: return "M9 AlarmGraph File(*.mag)";
    }
    return "";
}

std::string traceTimeText(int index, int periodField)
{
    return timeText(static_cast<double>(index) * periodField);
}

std::string captureTimeText(int index, int period)
{
    return timeText(period * 200.0 / 1000.0 * index);
}

std::string traceValueText(double value)
{
    return fixedText(value, 6);
}

std::string captureValueText(int sample) { return std::to_string(sample); }

FileOutcome writeGraphFile(const std::string &path, const GraphFileWriting &file)
{
    std::string out;
    const int lines = linesPerBlock(file.kind);
    const bool trigger = file.kind == GraphKind::Trigger;
    const std::string triggerColumns = '\t' + std::to_string(file.trigger.source) + '\t' +
                                       std::to_string(file.trigger.edge) + '\t' +
                                       std::to_string(file.trigger.position) + '\t' + std::to_string(file.trigger.level);
    for (int c = 0; c < 4; ++c) {
        const auto &points = file.points[static_cast<std::size_t>(c)];
        for (int i = 0; i < lines; ++i) {
            const PointRecord empty;
            const PointRecord &p = static_cast<std::size_t>(i) < points.size() ? points[static_cast<std::size_t>(i)] : empty;
            out += i == 0 ? file.channelNames[static_cast<std::size_t>(c)]
                          : std::to_string(file.listIndices[static_cast<std::size_t>(c)]);
            out += '\t' + p.time + '\t' + p.value;
            if (trigger)
                out += triggerColumns;
            out += "\r\n";
        }
    }
    out += "Period\t" + std::to_string(file.period) + "\r\n";
    for (int c = 0; c < 4; ++c) {
        const AxisLimits &l = file.limits[static_cast<std::size_t>(c)];
        out += std::to_string(l.max) + '\t' + std::to_string(l.min) + (c == 3 ? "\r\n" : "\t");
    }
    return saveFileAtomically(path, out);
}

FileOutcome readGraphFile(const std::string &path, GraphKind kind, GraphFileContents &into)
{
    // A file refused leaves `into` as it was.
    TextFileLines file = readTextFileLines(path, kGraphFileLimit, kLineLimit);
    if (!file.lines)
        return {std::move(file.problem)};
    const int n = linesPerBlock(kind);
    for (auto &s : into.samples)
        s.resize(static_cast<std::size_t>(n), 0);
    if (kind == GraphKind::Trace)
        for (auto &s : into.samples)
            std::fill(s.begin(), s.end(), 0);

    const bool trigger = kind == GraphKind::Trigger;
    int counter = 0; // L: counted lines
    for (std::size_t l = 0; counter <= 4 * n + 1 && l < file.lines->size(); ++l) {
        const std::string &line = (*file.lines)[l];
        std::size_t first = 0;
        while (first < line.size() && (line[first] == ' ' || line[first] == '\t'))
            ++first;
        std::string text;
        for (std::size_t i = first; i < line.size(); ++i)
            if (line[i] != '\r' && line[i] != '\n')
                text += line[i];
        if (text.empty() || text.find('\t', 1) == std::string::npos)
            continue;

        const auto columns = splitTabs(text, trigger ? 7 : 3);
        if (counter == 4 * n) {
            into.period = integer(columns, 1);
        } else if (counter == 4 * n + 1) {
            const auto all = splitTabs(text, 8);
            for (int c = 0; c < 4; ++c) {
                into.limits[static_cast<std::size_t>(c)].max = integer(all, static_cast<std::size_t>(2 * c));
                into.limits[static_cast<std::size_t>(c)].min = integer(all, static_cast<std::size_t>(2 * c + 1));
            }
        } else {
            if (counter % n == 1)
                into.listIndices[static_cast<std::size_t>(counter / n)] = integer(columns, 0);
            if (counter == 0 && trigger) {
                into.trigger.source = integer(columns, 3);
                into.trigger.edge = integer(columns, 4);
                into.trigger.position = integer(columns, 5);
                into.trigger.level = integer(columns, 6);
            }
            into.samples[static_cast<std::size_t>(counter / n)][static_cast<std::size_t>(counter % n)] =
                integer(columns, 2);
        }
        ++counter;
    }
    return {};
}

} // namespace tarvex::graphs
