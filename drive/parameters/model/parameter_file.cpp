#include "drive/parameters/model/parameter_file.h"

#include "drive/files/text_file_lines.h"

namespace tarvex::parameters {
namespace {

constexpr std::size_t kLineLimit = 255;

std::string trimmed(const std::string &s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t'))
        ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t'))
        --b;
    return s.substr(a, b - a);
}

} // namespace

std::vector<int> fileGroupOrder(bool factoryShown)
{
    std::vector<int> order{0, 1, 2, 3, 4, 5, 7};
    if (factoryShown)
        order.push_back(6);
    return order;
}

std::string latin1ToUtf8(const std::string &latin1)
{
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string utf8ToLatin1(const std::string &utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        int length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        if (i + static_cast<std::size_t>(length) > utf8.size())
            length = 1;
        if (length == 1)
            out += c < 0x80 ? static_cast<char>(c) : '?';
        else if (length == 2) {
            const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            out += code <= 0xFF ? static_cast<char>(code) : '?';
        } else {
            out += '?'; // not representable in the 8-bit file
        }
        i += static_cast<std::size_t>(length);
    }
    return out;
}

FileOutcome saveParameterFile(const std::string &path, const std::string &versionText,
                              const std::vector<ParameterLine> &lines)
{
    std::string text = kParameterFileHeader + utf8ToLatin1(versionText) + "\r\n";
    for (const ParameterLine &line : lines)
        text += utf8ToLatin1(line.number) + '\t' + utf8ToLatin1(line.subIndex) + ".\t" + utf8ToLatin1(line.value) +
                "\r\n";
    return saveFileAtomically(path, text);
}

ParameterFileReading loadParameterFile(const std::string &path, const std::vector<std::string> &catalogueNumbers)
{
    TextFileLines file = readTextFileLines(path, kParameterFileLimit, kLineLimit);
    if (!file.lines)
        return {std::nullopt, std::move(file.problem)};
    ParameterFileContents contents;
    const int total = 1 + static_cast<int>(catalogueNumbers.size());
    int i = 0;
    for (std::size_t l = 0; i < total && l < file.lines->size(); ++l) {
        const std::string &raw = (*file.lines)[l];
        std::size_t first = 0;
        while (first < raw.size() && (raw[first] == ' ' || raw[first] == '\t'))
            ++first;
        std::string line;
        for (std::size_t c = first; c < raw.size(); ++c)
            if (raw[c] != '\r' && raw[c] != '\n')
                line += raw[c];
        if (line.empty())
            continue;
        const std::size_t separator = line.find(i == 0 ? '\t' : '.');
        if (separator == std::string::npos || separator == 0)
            continue;
        if (i >= 1) {
            // The value starts behind the separator and the tab after it.
            const std::string value = separator + 2 <= line.size() ? line.substr(separator + 2) : std::string();
            const int position = i - 1;
            contents.values.push_back({position, latin1ToUtf8(value)});
            const std::size_t tab = line.find('\t');
            const std::string number = trimmed(latin1ToUtf8(line.substr(0, std::min(tab, separator))));
            const std::string &expected = catalogueNumbers[static_cast<std::size_t>(position)];
            if (number != trimmed(expected))
                contents.mismatches.push_back({position, number, expected});
        }
        ++i;
    }
    return {std::move(contents), {}};
}

} // namespace tarvex::parameters
