// How a parameter's text becomes register words, the same way for a value
// typed into the grid, a value loaded from a parameter file and a catalogue
// default. The presentation byte (Param_DataType) decides the reading:
// 0 binary digits, 1 hexadecimal, anything else decimal; a 32-bit value
// (Param_Bit_Type 2) is always decimal and fills two words, low word first.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
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

// The register words of a parameter's text, read strictly by its kind: a
// 32-bit value a decimal integer within the signed 32-bit range; a
// hexadecimal one up to FFFF; a bit field one to five binary digits; a
// signed decimal one within -32768..32767; any other decimal one within
// 0..65535. Anything else (stray characters, an empty text, a number the
// registers cannot hold) gives nothing, so that no other value than the one
// shown can reach the drive.
std::optional<ParameterWords> parameterWords(std::string_view text, std::uint8_t dataType, std::uint8_t bitType);

// What `parameterWords` takes for a parameter of this kind, for the user:
// "a decimal integer from 0 to 65535" and so on.
std::string acceptedText(std::uint8_t dataType, std::uint8_t bitType);

struct RangeCheck;

// The same for one parameter, in its own terms: a range-checked parameter
// names its Min and Max (the register limit on a side the range rule leaves
// open) and its unit, "a decimal integer from 0 to 10000 rpm"; other kinds
// read as `acceptedText` does.
std::string acceptedText(std::uint8_t dataType, std::uint8_t bitType, std::string_view minText,
                         std::string_view maxText, std::string_view unit, RangeCheck bounds);

// True when a parameter of this kind is checked against its Min/Max texts:
// 32-bit values and decimal values, not hexadecimal or bit fields.
bool isRangeChecked(std::uint8_t dataType, std::uint8_t bitType);

struct RangeCheck {
    bool lower = true;
    bool upper = true;
};

// The decimal value of `text` lies within the decimal integers of the Min
// and Max texts (inclusive), for the bounds asked for. A text or an asked-for
// bound that is not a decimal integer fails the check.
bool withinRange(std::string_view text, std::string_view minText, std::string_view maxText,
                 RangeCheck bounds = {});

} // namespace tarvex::parameters
