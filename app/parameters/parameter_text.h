// How a parameter's text becomes register words, the same way for a value
// typed into the grid, a value loaded from a parameter file and a catalogue
// default. The presentation byte (Param_DataType) decides the reading:
// 0 binary digits, 1 hexadecimal, anything else decimal; a 32-bit value
// (Param_Bit_Type 2) is always decimal and fills two words, low word first.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarvex::parameters {

inline constexpr std::uint8_t kTypeBits = 0;
inline constexpr std::uint8_t kTypeHex = 1;
inline constexpr std::uint8_t kTypeSigned = 2;
inline constexpr std::uint8_t kTypeScaled = 8;

struct ParameterWords {
    std::uint16_t first = 0;  // the register at Param_Address
    std::uint16_t second = 0; // the register at Param_Address + 2 (32-bit values only)
};

// The decimal integer at the start of a text: leading blanks skipped, an
// optional sign, digits up to the first non-digit; no digits give 0. Values
// beyond 32 bits saturate instead of wrapping.
std::int32_t decimalInteger(std::string_view text);

// The unsigned hexadecimal number at the start of a text (an optional "0x"
// allowed); values beyond 32 bits saturate.
std::uint32_t hexInteger(std::string_view text);

// Binary-digit text of a bit-field parameter. Texts of 2, 4 or 5 characters
// are the drive's own widths; a longer text is read by its first five
// characters, a shorter one (1 or 3 characters) by the characters it has, so
// nothing beyond the text is ever read.
std::uint16_t bitFieldWord(std::string_view text);

ParameterWords textToWords(std::string_view text, std::uint8_t dataType, std::uint8_t bitType);

// True when a parameter of this kind is checked against its Min/Max texts:
// 32-bit values and decimal values, not hexadecimal or bit fields.
bool isRangeChecked(std::uint8_t dataType, std::uint8_t bitType);

struct RangeCheck {
    bool lower = true;
    bool upper = true;
};

// The decimal value of `text` lies within the decimal integers of the Min
// and Max texts (inclusive), for the bounds asked for.
bool withinRange(std::string_view text, std::string_view minText, std::string_view maxText,
                 RangeCheck bounds = {});

} // namespace tarvex::parameters
