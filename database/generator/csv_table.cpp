#include "database/generator/csv_table.h"

#include "database/generator/source_error.h"
#include "database/src/utf_text.h"

#include <fstream>
#include <sstream>

namespace vq::catalogue {

namespace {

std::string where(const std::string &fileName, int line)
{
    return fileName + ":" + std::to_string(line) + ": ";
}

std::vector<std::string> splitRecord(const std::string &fileName, int lineNumber, const std::string &line)
{
    std::vector<std::string> fields;
    std::string field;
    std::size_t i = 0;
    for (;;) {
        field.clear();
        if (i < line.size() && line[i] == '"') {
            ++i;
            for (;;) {
                if (i >= line.size())
                    throw SourceError(where(fileName, lineNumber) + "unterminated quoted field");
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.push_back(line[i++]);
            }
            if (i < line.size() && line[i] != ',')
                throw SourceError(where(fileName, lineNumber) + "text after a closing quote");
        } else {
            while (i < line.size() && line[i] != ',') {
                if (line[i] == '"')
                    throw SourceError(where(fileName, lineNumber) + "quote inside an unquoted field");
                field.push_back(line[i++]);
            }
        }
        fields.push_back(field);
        if (i >= line.size())
            return fields;
        ++i; // the comma
    }
}

std::string joined(const std::vector<std::string> &names)
{
    std::string out;
    for (const auto &n : names)
        out += (out.empty() ? "" : ",") + n;
    return out;
}

} // namespace

CsvTable parseCsvText(const std::string &fileName, std::string text, const std::vector<std::string> &expectedHeader)
{
    if (text.size() > kMaxCsvBytes)
        throw SourceError(fileName + ": file larger than " + std::to_string(kMaxCsvBytes) + " bytes");
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    if (!vq::text::isValidUtf8(text))
        throw SourceError(fileName + ": not valid UTF-8 text");

    CsvTable table;
    table.fileName = fileName;
    bool headerSeen = false;
    int lineNumber = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        for (const char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                throw SourceError(where(fileName, lineNumber) + "control character in the line");
        }
        std::vector<std::string> fields = splitRecord(fileName, lineNumber, line);
        if (!headerSeen) {
            if (fields != expectedHeader)
                throw SourceError(where(fileName, lineNumber) + "header must be exactly: " + joined(expectedHeader));
            headerSeen = true;
            continue;
        }
        if (fields.size() != expectedHeader.size())
            throw SourceError(where(fileName, lineNumber) + "expected " + std::to_string(expectedHeader.size()) +
                              " fields, found " + std::to_string(fields.size()));
        table.records.push_back(CsvRecord{lineNumber, std::move(fields)});
    }
    if (!headerSeen)
        throw SourceError(fileName + ": no header line (empty file)");
    return table;
}

CsvTable readCsvTable(const std::string &path, const std::vector<std::string> &expectedHeader)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw SourceError(path + ": cannot be opened");
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxCsvBytes)
            throw SourceError(path + ": file larger than " + std::to_string(kMaxCsvBytes) + " bytes");
    }
    if (in.bad())
        throw SourceError(path + ": read error");
    return parseCsvText(path, std::move(text), expectedHeader);
}

} // namespace vq::catalogue
