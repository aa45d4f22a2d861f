#include "drive/firmware/firmware_image.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace upgrader {
namespace {

constexpr std::uint32_t kEepromStart = 0x7FF000;
constexpr std::uint32_t kConfigurationStart = 0xF80000;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

struct Record {
    int byteCount = 0;
    int address = 0;
    int type = 0;
    std::array<std::uint8_t, 255> data{};
};

// A record line is ':' followed by an even number of hexadecimal digits:
// count, address (2 bytes), type, `count` data bytes and a checksum that
// makes the sum of all bytes zero. Each byte is decoded once.
bool parseRecord(const std::string &line, Record &record)
{
    if (line.size() < 11 || line[0] != ':' || (line.size() - 1) % 2 != 0)
        return false;
    const std::size_t bytes = (line.size() - 1) / 2;
    std::array<std::uint8_t, 260> decoded{};
    if (bytes > decoded.size())
        return false;
    int sum = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        const int high = hexValue(line[1 + 2 * i]);
        const int low = hexValue(line[2 + 2 * i]);
        if (high < 0 || low < 0)
            return false;
        decoded[i] = static_cast<std::uint8_t>(high * 16 + low);
        sum += decoded[i];
    }
    record.byteCount = decoded[0];
    record.address = decoded[1] << 8 | decoded[2];
    record.type = decoded[3];
    if (bytes != 5 + static_cast<std::size_t>(record.byteCount))
        return false;
    std::copy_n(decoded.begin() + 4, record.byteCount, record.data.begin());
    return (sum & 0xFF) == 0;
}

} // namespace

std::uint32_t ImageRow::span() const
{
    switch (type) {
    case RowType::Program: return 2u * static_cast<std::uint32_t>(rowSize);
    case RowType::Eeprom: return 32;
    case RowType::Configuration: return 2;
    }
    return 0;
}

FirmwareImage::FirmwareImage()
{
    rows_.reserve(kRows);
    for (int n = 0; n < kRows; ++n) {
        auto row = std::make_unique<ImageRow>();
        if (n < kProgramRows) {
            row->type = RowType::Program;
            row->rowNumber = n;
            row->startAddress = static_cast<std::uint32_t>(n) * 1024;
            row->rowSize = row->family == 1 ? 512 : 32;
            row->transmit.assign(3 * static_cast<std::size_t>(row->rowSize), 0xFF);
        } else if (n < kProgramRows + kEepromRows) {
            row->type = RowType::Eeprom;
            row->rowNumber = n - kProgramRows;
            row->startAddress = kEepromStart + 32u * static_cast<std::uint32_t>(row->rowNumber);
            row->rowSize = 16;
            row->transmit.assign(32, 0xFF);
        } else {
            row->type = RowType::Configuration;
            row->rowNumber = n - kProgramRows - kEepromRows;
            row->startAddress = kConfigurationStart + 2u * static_cast<std::uint32_t>(row->rowNumber);
            row->rowSize = 16;
            row->transmit.assign(3, 0xFF);
        }
        rows_.push_back(std::move(row));
    }
}

int FirmwareImage::rowIndexFor(std::uint32_t wordAddress)
{
    // The three memories are disjoint ranges of equal-sized rows, so the row
    // follows from the address; the same row a search from row 0 would find.
    if (wordAddress < static_cast<std::uint32_t>(kProgramRows) * 1024)
        return static_cast<int>(wordAddress / 1024);
    if (wordAddress >= kEepromStart && wordAddress < kEepromStart + 32u * kEepromRows)
        return kProgramRows + static_cast<int>((wordAddress - kEepromStart) / 32);
    if (wordAddress >= kConfigurationStart && wordAddress < kConfigurationStart + 2u * kConfigurationRows)
        return kProgramRows + kEepromRows + static_cast<int>((wordAddress - kConfigurationStart) / 2);
    return -1;
}

bool FirmwareImage::storeWord(std::uint32_t wordAddress, std::uint16_t value)
{
    const int index = rowIndexFor(wordAddress);
    if (index < 0)
        return false;
    ImageRow &row = *rows_[static_cast<std::size_t>(index)];
    row.data[wordAddress - row.startAddress] = value;
    row.empty = false;
    return true;
}

HexResult FirmwareImage::read(std::istream &hex)
{
    std::uint32_t extended = 0;
    std::string line;
    int lineNumber = 0;
    sawData_ = false;
    sawEnd_ = false;
    while (std::getline(hex, line)) {
        ++lineNumber;
        failedLine_ = lineNumber;
        while (!line.empty() && (line.back() == '\r' || std::isspace(static_cast<unsigned char>(line.back()))))
            line.pop_back();
        if (line.empty())
            continue; // blank lines (a trailing line end) carry nothing
        if (line.size() > kLineLimit)
            return HexResult::BadHexFile;
        Record record;
        if (!parseRecord(line, record))
            return HexResult::BadHexFile;
        switch (record.type) {
        case 0: {
            // Words are two HEX bytes each; an odd byte count would split one.
            if (record.byteCount % 2 != 0)
                return HexResult::BadHexFile;
            sawData_ = sawData_ || record.byteCount > 0;
            std::uint32_t word = (extended + static_cast<std::uint32_t>(record.address)) / 2;
            // Four hexadecimal characters make one word: two data bytes in file order.
            for (int i = 0; i < record.byteCount; i += 2, ++word) {
                const auto value = static_cast<std::uint16_t>(record.data[static_cast<std::size_t>(i)] << 8 |
                                                              record.data[static_cast<std::size_t>(i + 1)]);
                if (!storeWord(word, value))
                    return HexResult::BadHexFile;
            }
            break;
        }
        case 1:
            sawEnd_ = true;
            break; // end of file: reading goes on to the end of the text
        case 4: {
            if (record.byteCount != 2)
                return HexResult::BadHexFile;
            extended = static_cast<std::uint32_t>(record.data[0] << 8 | record.data[1]) << 16;
            break;
        }
        default:
            return HexResult::UnknownRecordType;
        }
    }
    if (hex.bad())
        return HexResult::BadHexFile;
    failedLine_ = 0;
    return HexResult::Ok;
}

std::string FirmwareImage::incompleteFileText() const
{
    if (!sawData_)
        return "Bad Hex file: it holds no program data (an empty file?); nothing was downloaded";
    if (!sawEnd_)
        return "Bad Hex file: it has no end-of-file record, so it may be cut short; nothing was downloaded";
    return {};
}

void FirmwareImage::overlayResetJump(const std::uint8_t b[6])
{
    // The controller's instructions at 0 and 2 are b2 b1 04 and b5 b4 b3;
    // as image words they read (b2 b1) (04 00) (b5 b4) (b3 00).
    const std::uint16_t words[4] = {
        static_cast<std::uint16_t>((b[2] << 8) | b[1]),
        static_cast<std::uint16_t>(0x04 << 8),
        static_cast<std::uint16_t>((b[5] << 8) | b[4]),
        static_cast<std::uint16_t>(b[3] << 8),
    };
    for (std::uint32_t i = 0; i < 4; ++i)
        storeWord(i, words[i]);
}

void FirmwareImage::formatRows()
{
    for (auto &rowPtr : rows_) {
        ImageRow &row = *rowPtr;
        if (row.empty)
            continue;
        auto hi = [](std::uint16_t w) { return static_cast<std::uint8_t>(w >> 8); };
        auto lo = [](std::uint16_t w) { return static_cast<std::uint8_t>(w & 0xFF); };
        switch (row.type) {
        case RowType::Program:
            for (int j = 0; j < row.rowSize; ++j) {
                const std::uint16_t w0 = row.data[static_cast<std::size_t>(2 * j)];
                const std::uint16_t w1 = row.data[static_cast<std::size_t>(2 * j + 1)];
                row.transmit[static_cast<std::size_t>(3 * j)] = hi(w0);
                row.transmit[static_cast<std::size_t>(3 * j + 1)] = lo(w0);
                row.transmit[static_cast<std::size_t>(3 * j + 2)] = hi(w1);
            }
            break;
        case RowType::Configuration:
            row.transmit[0] = hi(row.data[0]);
            row.transmit[1] = lo(row.data[0]);
            row.transmit[2] = hi(row.data[1]);
            break;
        case RowType::Eeprom:
            for (int i = 0; i < row.rowSize; ++i) {
                row.transmit[static_cast<std::size_t>(2 * i)] = hi(row.data[static_cast<std::size_t>(2 * i)]);
                row.transmit[static_cast<std::size_t>(2 * i + 1)] = lo(row.data[static_cast<std::size_t>(2 * i)]);
            }
            break;
        }
    }
}

std::array<std::uint8_t, 4> FirmwareImage::rowHeader(const ImageRow &row)
{
    const std::uint32_t a = row.startAddress;
    return {0x03, static_cast<std::uint8_t>(a & 0xFF), static_cast<std::uint8_t>((a >> 8) & 0xFF),
            static_cast<std::uint8_t>((a >> 16) & 0xFF)};
}

std::string hexPathProblem(const std::string &path)
{
    namespace fs = std::filesystem;
    const std::string named = "\"" + path + "\"";
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status))
        return "The HEX file " + named + " does not exist.";
    // Not opened unless regular: a FIFO or a device would block the window.
    if (!fs::is_regular_file(status))
        return named + " is not a file: choose a HEX file.";
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "The HEX file " + named + " cannot be read.";
    // The first line, bounded: a HEX record line is at most kLineLimit long.
    std::string line;
    char c = 0;
    while (line.size() <= FirmwareImage::kLineLimit && in.get(c) && c != '\n')
        line.push_back(c);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const bool record = line.size() >= 11 && line.front() == ':' &&
                        std::all_of(line.begin() + 1, line.end(), [](char d) { return hexValue(d) >= 0; });
    if (!record)
        return named + " is not a HEX file: its first line is no Intel HEX record.";
    return {};
}

} // namespace upgrader
