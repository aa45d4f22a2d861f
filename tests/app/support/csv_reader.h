// An independent reader of the CSV exports for the tests: "# name,value"
// comment lines as settings, one header row, then rows of numbers read with
// the classic locale. It knows nothing of the writer's code.
#pragma once

#include <fstream>
#include <locale>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tarvex::test {

struct CsvFile {
    std::vector<std::string> comments; // comment lines without "# "
    std::map<std::string, std::string> settings;
    std::vector<std::string> header;
    std::vector<std::vector<double>> rows;

    // The column of a heading, or -1.
    int column(const std::string &heading) const
    {
        for (std::size_t i = 0; i < header.size(); ++i)
            if (header[i] == heading)
                return static_cast<int>(i);
        return -1;
    }
};

inline std::vector<std::string> splitCsvLine(const std::string &line)
{
    std::vector<std::string> fields;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.push_back(field);
            field.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

inline CsvFile readCsv(const std::string &path)
{
    CsvFile file;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("# ", 0) == 0) {
            const std::string body = line.substr(2);
            file.comments.push_back(body);
            const auto fields = splitCsvLine(body);
            if (fields.size() == 2)
                file.settings[fields[0]] = fields[1];
            continue;
        }
        if (file.header.empty()) {
            file.header = splitCsvLine(line);
            continue;
        }
        std::vector<double> row;
        for (const std::string &field : splitCsvLine(line)) {
            std::istringstream number(field);
            number.imbue(std::locale::classic());
            double value = 0;
            number >> value;
            row.push_back(value);
        }
        file.rows.push_back(row);
    }
    return file;
}

} // namespace tarvex::test
