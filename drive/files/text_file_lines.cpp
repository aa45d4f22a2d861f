#include "drive/files/text_file_lines.h"

#include "drive/files/file_access.h"

namespace tarvex {
namespace {

std::string at(std::size_t line, std::size_t column)
{
    return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": ";
}

} // namespace

TextFileLines readTextFileLines(const std::string &path, std::size_t sizeLimit, std::size_t lineLimit)
{
    FileReading file = readBoundedFile(path, sizeLimit);
    if (!file.text)
        return {std::nullopt, std::move(file.reason)};
    const std::string &text = *file.text;
    if (text.empty())
        return {std::nullopt, at(1, 1) + "the file is empty"};
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (end == std::string::npos)
            return {std::nullopt, at(lines.size() + 1, line.size() + 1) + "the file ends inside this line (cut short)"};
        if (line.size() > lineLimit)
            return {std::nullopt, at(lines.size() + 1, lineLimit + 1) + "the line is longer than " +
                                      std::to_string(lineLimit) + " characters"};
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return {std::move(lines), {}};
}

} // namespace tarvex
