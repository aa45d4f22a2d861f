// Captures as comma-separated text in physical units, for spreadsheets and
// scripts: comment lines ("# ") with the window and the capture's settings,
// a header row naming the x quantity and each channel with its unit, then
// one row per sample. Every channel is written in its own unit, never mapped
// onto another channel's axis. Numbers use a dot as decimal mark whatever
// the system's locale. Free of widgets, so the command-line tool can write
// the same files.
#pragma once

#include "drive/files/file_access.h"
#include "drive/capture/graph_file.h"
#include "drive/capture/spectrum.h"

#include <array>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tarvex::graphs {

struct CsvColumn {
    std::string quantity; // "Current Speed"
    std::string unit;     // "rpm"; empty for a plain number
    std::vector<double> values;
};

struct CsvTable {
    std::string title;                                         // the window: "Data Trace", ...
    std::vector<std::pair<std::string, std::string>> settings; // "# name,value" lines
    CsvColumn keys{"Time", "s", {}};
    std::vector<CsvColumn> columns; // rows beyond a column's values are left empty
};

// A field with a comma, quote or line break is quoted, its quotes doubled.
std::string csvField(const std::string &text);
// "Current Speed [rpm]"; the quantity alone when it has no unit.
std::string csvHeading(const CsvColumn &column);

// The quantity and unit of channel list entry `listIndex`: "Current
// Speed[rpm]" is "Current Speed" in rpm, the DC link in V, the digital
// signals a state of 0 or 1.
CsvColumn csvChannelColumn(int listIndex);

// The whole text, lines ending with LF.
std::string csvText(const CsvTable &table);
// Saved atomically: on failure the reason, and the old file stays as it was.
FileOutcome writeCsvFile(const std::string &path, const CsvTable &table);

// A one-shot capture (trigger or alarm recording) of display samples
// (rotated, DC link in volts) taken every `period` x 0.2 ms; the trigger's
// settings are written when `trigger` is given. Channels at "Not Use" are
// left out.
CsvTable captureCsvTable(GraphKind kind, const std::array<std::vector<int>, 4> &display,
                         const std::array<int, 4> &listIndices, int period, const TriggerSettings *trigger);

// A trace run: sample n of every channel in its own unit, taken at
// (first + n + 1) x `periodMs` after the start, `first` being the samples
// of the run no longer held.
CsvTable traceCsvTable(const std::array<std::vector<double>, 4> &physical, const std::array<int, 4> &listIndices,
                       int periodMs, long long first = 0);

// A spectrum: the amplitude of each bin at the frequency it is shown at.
CsvTable spectrumCsvTable(std::span<const double> spectrum, const std::vector<double> &frequenciesHz,
                          const std::string &channelName);

} // namespace tarvex::graphs
