#include "drive/capture/capture_csv.h"

#include "drive/capture/channel_catalog.h"

#include <algorithm>
#include <charconv>

namespace tarvex::graphs {
namespace {

// Shortest text that reads back to the same double, with a dot and
// without an exponent, which not every spreadsheet reads.
std::string number(double value)
{
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string entryName(std::string_view entry) { return std::string(entry); }

// Seconds of `ticks` x 0.2 ms, computed so that round values stay round.
double captureSeconds(long long ticks) { return static_cast<double>(ticks * 2) / 10000.0; }

} // namespace

std::string csvField(const std::string &text)
{
    if (text.find_first_of(",\"\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string csvHeading(const CsvColumn &column)
{
    return column.unit.empty() ? column.quantity : column.quantity + " [" + column.unit + "]";
}

CsvColumn csvChannelColumn(int listIndex)
{
    const std::string name = entryName(kChannelNames[static_cast<std::size_t>(clampListIndex(listIndex, kChannelEntries))]);
    CsvColumn column;
    const std::size_t open = name.find('[');
    if (open != std::string::npos && name.back() == ']') {
        column.quantity = name.substr(0, open);
        column.unit = name.substr(open + 1, name.size() - open - 2);
        if (column.unit == "v")
            column.unit = "V";
    } else {
        column.quantity = name;
        column.unit = "0/1";
    }
    return column;
}

std::string csvText(const CsvTable &table)
{
    std::string text;
    if (!table.title.empty())
        text += "# " + table.title + '\n';
    for (const auto &[name, value] : table.settings)
        text += "# " + csvField(name) + ',' + csvField(value) + '\n';
    text += csvField(csvHeading(table.keys));
    for (const CsvColumn &column : table.columns)
        text += ',' + csvField(csvHeading(column));
    text += '\n';
    for (std::size_t row = 0; row < table.keys.values.size(); ++row) {
        text += number(table.keys.values[row]);
        for (const CsvColumn &column : table.columns) {
            text += ',';
            if (row < column.values.size())
                text += number(column.values[row]);
        }
        text += '\n';
    }
    return text;
}

FileOutcome writeCsvFile(const std::string &path, const CsvTable &table)
{
    return saveFileAtomically(path, csvText(table));
}

CsvTable captureCsvTable(GraphKind kind, const std::array<std::vector<int>, 4> &display,
                         const std::array<int, 4> &listIndices, int period, const TriggerSettings *trigger)
{
    CsvTable table;
    table.title = kind == GraphKind::Trigger ? "Trigger Monitoring" : "Alarm Trace";
    table.settings.emplace_back("Sampling period [s]", number(captureSeconds(period)));
    if (trigger) {
        const int source = clampListIndex(trigger->source, kChannelEntries);
        table.settings.emplace_back("Trigger source", entryName(kTriggerSourceNames[static_cast<std::size_t>(source)]));
        table.settings.emplace_back("Trigger edge",
                                    entryName(kEdgeNames[static_cast<std::size_t>(clampListIndex(trigger->edge, 2))]));
        table.settings.emplace_back("Trigger position [sample]", std::to_string(trigger->position));
        table.settings.emplace_back("Trigger position [s]", number(captureSeconds(static_cast<long long>(trigger->position) * period)));
        table.settings.emplace_back("Trigger level [drive units]", std::to_string(trigger->level));
    }
    std::size_t samples = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        if (listIndices[c] == kNotUsed)
            continue;
        CsvColumn column = csvChannelColumn(listIndices[c]);
        column.values.assign(display[c].begin(), display[c].end());
        samples = std::max(samples, column.values.size());
        table.columns.push_back(std::move(column));
    }
    for (std::size_t k = 0; k < samples; ++k)
        table.keys.values.push_back(captureSeconds(static_cast<long long>(k) * period));
    return table;
}

CsvTable traceCsvTable(const std::array<std::vector<double>, 4> &physical, const std::array<int, 4> &listIndices,
                       int periodMs, long long first)
{
    CsvTable table;
    table.title = "Data Trace";
    table.settings.emplace_back("Sampling period [s]", number(periodMs / 1000.0));
    std::size_t samples = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        if (listIndices[c] == kNotUsed)
            continue;
        CsvColumn column = csvChannelColumn(listIndices[c]);
        column.values = physical[c];
        samples = std::max(samples, column.values.size());
        table.columns.push_back(std::move(column));
    }
    for (std::size_t n = 0; n < samples; ++n)
        table.keys.values.push_back(static_cast<double>((first + static_cast<long long>(n) + 1) * periodMs) / 1000.0);
    return table;
}

CsvTable spectrumCsvTable(std::span<const double> spectrum, const std::vector<double> &frequenciesHz,
                          const std::string &channelName)
{
    CsvTable table;
    table.title = "Spectrum";
    table.settings.emplace_back("Channel", channelName);
    table.keys = {"Frequency", "Hz", {}};
    CsvColumn amplitude{"Amplitude", "", {}};
    for (std::size_t bin = 0; bin < spectrum.size() && bin < frequenciesHz.size(); ++bin) {
        table.keys.values.push_back(frequenciesHz[bin]);
        amplitude.values.push_back(spectrum[bin]);
    }
    table.columns.push_back(std::move(amplitude));
    return table;
}

} // namespace tarvex::graphs
