// A small, strict CSV reader for the catalogue sources.
//
// Format: UTF-8 (an initial byte order mark is ignored), one record per
// line (LF or CRLF), fields separated by commas, a field may be enclosed in
// double quotes with "" standing for one quote. A quoted field may not span
// lines. Empty lines are skipped. The first record is the header and must
// name exactly the expected columns in order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vq::catalogue {

struct CsvRecord {
    int line = 0; // 1-based line number in the file, for messages
    std::vector<std::string> fields;
};

struct CsvTable {
    std::string fileName;
    std::vector<CsvRecord> records; // without the header
};

// Largest source file accepted; the catalogue is a few hundred lines.
inline constexpr std::size_t kMaxCsvBytes = 4 * 1024 * 1024;

// Reads and checks `path`; throws SourceError naming the file and line.
CsvTable readCsvTable(const std::string &path, const std::vector<std::string> &expectedHeader);

// Parses CSV text (the part of readCsvTable after the file is read).
CsvTable parseCsvText(const std::string &fileName, std::string text, const std::vector<std::string> &expectedHeader);

} // namespace vq::catalogue
