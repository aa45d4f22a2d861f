#include "parameter_text.h"

#include <limits>

namespace tarvex::parameters {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::size_t skipBlanks(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::int32_t decimalInteger(std::string_view text)
{
    std::size_t i = skipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit)
            value = kLimit; // keep saturating while the digits go on
    }
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

std::uint32_t hexInteger(std::string_view text)
{
    std::size_t i = skipBlanks(text);
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        i + 2 < text.size() && hexDigit(text[i + 2]) >= 0)
        i += 2;
    std::uint64_t value = 0;
    for (int d = 0; i < text.size() && (d = hexDigit(text[i])) >= 0; ++i) {
        value = value * 16 + static_cast<std::uint64_t>(d);
        if (value > std::numeric_limits<std::uint32_t>::max())
            value = std::numeric_limits<std::uint32_t>::max();
    }
    return static_cast<std::uint32_t>(value);
}

std::uint16_t bitFieldWord(std::string_view text)
{
    std::size_t digits = text.size();
    if (digits != 2 && digits != 4)
        digits = digits < 5 ? digits : 5;
    int value = 0;
    for (std::size_t i = 0; i < digits; ++i)
        value = value * 2 + (text[i] - '0');
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

ParameterWords textToWords(std::string_view text, std::uint8_t dataType, std::uint8_t bitType)
{
    if (bitType == 2) {
        const auto value = static_cast<std::uint32_t>(decimalInteger(text));
        return {static_cast<std::uint16_t>(value & 0xFFFFu), static_cast<std::uint16_t>(value >> 16)};
    }
    if (dataType == kTypeHex)
        return {static_cast<std::uint16_t>(hexInteger(text) & 0xFFFFu), 0};
    if (dataType == kTypeBits)
        return {bitFieldWord(text), 0};
    return {static_cast<std::uint16_t>(static_cast<std::uint32_t>(decimalInteger(text)) & 0xFFFFu), 0};
}

bool isRangeChecked(std::uint8_t dataType, std::uint8_t bitType)
{
    return bitType == 2 || (dataType != kTypeBits && dataType != kTypeHex);
}

bool withinRange(std::string_view text, std::string_view minText, std::string_view maxText,
                 RangeCheck bounds)
{
    const std::int32_t value = decimalInteger(text);
    if (bounds.lower && value < decimalInteger(minText))
        return false;
    if (bounds.upper && value > decimalInteger(maxText))
        return false;
    return true;
}

} // namespace tarvex::parameters
