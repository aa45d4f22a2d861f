// Parameter sets ("*.mpa"): a header line with the drive's version text,
// then one line per parameter in file order (groups 0, 1, 2, 3, 4, 5, 7 and
// the factory group 6 last when it is shown): number, tab, sub-index, full
// stop, tab, value. Lines are matched to parameters by position. The file is
// 8-bit text (Latin-1) with CR LF line ends.
#pragma once

#include "drive/files/file_access.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvex::parameters {


inline constexpr const char *kParameterFileHeader = "M9AServio Drive version: \t";
inline constexpr const char *kParameterFileFilter = "M9 Parameter File(*.mpa)";

// Groups in the order their parameters appear in a file.
std::vector<int> fileGroupOrder(bool factoryShown);

struct ParameterLine {
    std::string number;   // Param_Num
    std::string subIndex; // Servo_ID
    std::string value;    // the Value cell's text as shown
};

// Saved atomically: on failure the reason, and the old file stays as it was.
FileOutcome saveParameterFile(const std::string &path, const std::string &versionText,
                       const std::vector<ParameterLine> &lines);

struct LoadedValue {
    int position = 0; // 0-based index in file order
    std::string value;
};

// A line whose number is not the catalogue's at its position: the file was
// saved with another catalogue, so its values may land on other parameters.
struct NumberMismatch {
    int position = 0;
    std::string inFile;
    std::string inCatalogue;
};

struct ParameterFileContents {
    std::vector<LoadedValue> values;
    std::vector<NumberMismatch> mismatches;
};

struct ParameterFileReading {
    std::optional<ParameterFileContents> contents;
    std::string problem; // why there are none: the file cannot be read, or is not whole (line and column)
};

// Reads a file against the catalogue's numbers in file order. Blank lines and
// lines without their separator (a tab in the header, a full stop after) are
// skipped; lines beyond the catalogue's count are not read. A file cut short
// (no line end after its last line) or with a line too long to take whole is
// refused, as is anything but a regular file of parameter-file size.
ParameterFileReading loadParameterFile(const std::string &path, const std::vector<std::string> &catalogueNumbers);

// 8-bit file text to and from the program's UTF-8.
std::string latin1ToUtf8(const std::string &latin1);
std::string utf8ToLatin1(const std::string &utf8);

} // namespace tarvex::parameters
