// How register words are shown in the parameter grids. The read-all display
// follows the drive's conventions group by group and, in the status group,
// position by position (scaled values, the version text); the Read command
// shows what it fetched with simpler rules. Hexadecimal and bit-field
// formats differ per group, as the drive's manual prints them.
#pragma once

#include <cstdint>
#include <string>

namespace tarvex::parameters {

inline constexpr int kGroupStatus = 0;
inline constexpr int kGroupSystem = 1;
inline constexpr int kGroupFactory = 6;
inline constexpr int kGroups = 8;

struct ParameterShape {
    std::uint8_t dataType = 0; // 0 bits, 1 hex, 2 signed, 8 scaled status, else unsigned
    std::uint8_t bitType = 1;  // 2: 32-bit value in two registers, low word first
};

// A 32-bit value from its two words, first (low) word first.
inline std::uint32_t joinWords(std::uint16_t first, std::uint16_t second)
{
    return static_cast<std::uint32_t>(second) << 16 | first;
}

// The low `bits` bits as a decimal number whose digits are the bits, most
// significant first (bits 1 0 1 give 101).
unsigned binaryDigits(std::uint16_t word, int bits);

// Text of a value after All Read (and at the window's opening).
std::string readAllText(int group, int position, ParameterShape shape, std::uint16_t first,
                        std::uint16_t second, const std::string &versionText);
// Text of a value fetched by the Read command.
std::string readText(int group, ParameterShape shape, std::uint16_t first, std::uint16_t second);

// The drive's version register: "A" or "B" (bit 15), then bits 14..5 / 100
// as "%.2f", then ".%d" of bits 4..0; for example 0x8123 gives "B0.09.3".
std::string driveVersionText(std::uint16_t reg);
// Bits 14..5 / 100: the parameter lock is reported from version 0.20 on.
float driveVersionNumber(std::uint16_t reg);
bool reportsParameterLock(std::uint16_t reg);

// Unit shown for the System group's encoder resolution (position 2).
inline constexpr int kSystemResolutionPosition = 2;
const char *systemResolutionUnit(std::uint16_t word);

} // namespace tarvex::parameters
