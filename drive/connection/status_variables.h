// The drive's state-variable block and input/output words as the status
// panes show them. The block starts at register address 206; its 26 values
// follow one another, a 16-bit value in one register and a 32-bit value in
// two (low half first). Reads come back in wire order, high byte first.
#pragma once

#include "vq_communication.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex::status {

inline constexpr int kRowCount = 26;
inline constexpr std::uint16_t kBlockStart = 206;
inline constexpr int kVersionRow = 26;

inline constexpr std::uint16_t kInputOutputStart = 4160;
inline constexpr int kInputOutputRegisters = 3;
inline constexpr int kInputCount = 6;
inline constexpr int kOutputCount = 7;

enum class Shown {
    Integer,       // signed, "%d"
    Tenths,        // signed x 0.1, "%.1f"
    Hundredths,    // signed x 0.01, "%.2f"
    LowTenths,     // two registers read, the low one shown as Tenths
    VersionText,   // read, but the drive connection's version text is shown
};

struct Variable {
    const char *name;
    int width; // 16 or 32 bits
    Shown shown;
    const char *unit;
};

// Rows 1 to 26 in order (index 0 is row 1).
const std::array<Variable, kRowCount> &variables();
const std::array<const char *, kInputCount> &inputNames();
const std::array<const char *, kOutputCount> &outputNames();

// Row `row` (1-based) is ticked when bit row - 1 of the mask is set.
constexpr bool isTicked(std::uint32_t mask, int row) { return ((mask >> (row - 1)) & 1u) != 0; }
inline constexpr std::uint32_t kAllRows = (1u << kRowCount) - 1;

// The register address of each row: 206 plus 2 for every register of the rows before it.
std::uint16_t addressOf(int row);

// The scattered read of the ticked rows: one address for a 16-bit row, two
// for a 32-bit row, in row order; the byte count is twice the address count.
ScatteredRequest buildRequest(std::uint32_t tickedMask);

// Values from reply bytes in wire order.
std::int16_t assemble16(const std::uint8_t *bytes);
// b0 b1 are the first (low) register, b2 b3 the second (high) one.
std::int32_t assemble32(const std::uint8_t *bytes);

// The text shown for `row` from its own reply bytes (2 or 4 of them).
std::string formatValue(int row, const std::uint8_t *bytes, std::string_view versionText);

// One decoded value of a reply.
struct RowText {
    int row = 0;
    std::string text;
};

// Walks the ticked rows through a reply of `length` bytes in request order
// and hands each row's text to `sink`; rows whose bytes lie beyond the reply
// are not shown. Returns the number of bytes the ticked rows took.
template <class Sink>
int decodeReply(std::uint32_t tickedMask, const std::uint8_t *reply, int length,
                std::string_view versionText, Sink &&sink)
{
    int offset = 0;
    for (int row = 1; row <= kRowCount; ++row) {
        if (!isTicked(tickedMask, row))
            continue;
        const int bytes = variables()[static_cast<std::size_t>(row - 1)].width / 8;
        if (offset + bytes <= length)
            sink(RowText{row, formatValue(row, reply + offset, versionText)});
        offset += bytes;
    }
    return offset;
}

// Bit k of a register's value (first byte x 256 + second byte), counted
// from the least significant bit.
constexpr bool registerBit(const std::uint8_t *registerBytes, int k)
{
    const unsigned value = (static_cast<unsigned>(registerBytes[0]) << 8) | registerBytes[1];
    return ((value >> k) & 1u) != 0;
}

// The input/output block: register 4160 holds the inputs, 4164 the outputs.
constexpr bool inputOn(const std::uint8_t *block, int inputRow) { return registerBit(block, inputRow - 1); }
constexpr bool outputOn(const std::uint8_t *block, int outputRow)
{
    return registerBit(block + 4, outputRow - 1);
}

} // namespace tarvex::status
