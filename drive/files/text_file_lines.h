// The line-oriented text files of the suite (parameter and graph files) end
// every line, the last one included, with a line end (CR LF as written, a
// bare LF accepted). A file that stops inside a line was cut short — by a
// full disk, a copy broken off — and its last value may be cut too ("10737"
// of "1073741824"), so it is refused whole rather than partly believed; so
// is a line longer than the readers take, whose end would be lost.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

struct TextFileLines {
    std::optional<std::vector<std::string>> lines; // without their CR LF
    std::string problem;                            // why the file was refused, otherwise
};

// `problem` names the line and column where the file stops being whole, or
// why it could not be read (see readBoundedFile).
TextFileLines readTextFileLines(const std::string &path, std::size_t sizeLimit, std::size_t lineLimit);

} // namespace tarvex
