#include "firmware_image.h"

#include <cctype>

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

// The value of `digits` hexadecimal characters at `at`, or -1.
long hexField(const std::string &line, std::size_t at, std::size_t digits)
{
    if (at + digits > line.size())
        return -1;
    long value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int d = hexValue(line[at + i]);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}

struct Record {
    int byteCount = 0;
    int address = 0;
    int type = 0;
};

// A record line is ':' followed by an even number of hexadecimal digits:
// count, address (2 bytes), type, `count` data bytes and a checksum that
// makes the sum of all bytes zero.
bool parseRecord(const std::string &line, Record &record)
{
    if (line.size() < 11 || line[0] != ':' || (line.size() - 1) % 2 != 0)
        return false;
    int sum = 0;
    for (std::size_t at = 1; at < line.size(); at += 2) {
        const long byte = hexField(line, at, 2);
        if (byte < 0)
            return false;
        sum += static_cast<int>(byte);
    }
    record.byteCount = static_cast<int>(hexField(line, 1, 2));
    record.address = static_cast<int>(hexField(line, 3, 4));
    record.type = static_cast<int>(hexField(line, 7, 2));
    if (line.size() != 11 + 2 * static_cast<std::size_t>(record.byteCount))
        return false;
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
            std::uint32_t word = (extended + static_cast<std::uint32_t>(record.address)) / 2;
            for (int offset = 0; offset < 2 * record.byteCount; offset += 4, ++word) {
                const long value = hexField(line, 9 + static_cast<std::size_t>(offset), 4);
                if (value < 0 || !storeWord(word, static_cast<std::uint16_t>(value)))
                    return HexResult::BadHexFile;
            }
            break;
        }
        case 1:
            break; // end of file: reading goes on to the end of the text
        case 4: {
            if (record.byteCount != 2)
                return HexResult::BadHexFile;
            extended = static_cast<std::uint32_t>(hexField(line, 9, 4)) << 16;
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

} // namespace upgrader
