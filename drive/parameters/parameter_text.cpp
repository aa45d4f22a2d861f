#include "drive/parameters/parameter_text.h"

#include "drive/text/number_text.h"

#include <algorithm>
#include <limits>

namespace tarvex::parameters {
namespace {

// The widest bit field the drive shows has five digits.
constexpr std::size_t kBitFieldDigits = 5;

std::optional<std::uint16_t> inRange(std::optional<std::int64_t> value, std::int64_t min, std::int64_t max)
{
    if (!value || *value < min || *value > max)
        return std::nullopt;
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(*value) & 0xFFFFu);
}

} // namespace

std::optional<ParameterWords> parameterWords(std::string_view text, std::uint8_t dataType, std::uint8_t bitType)
{
    if (bitType == 2) {
        const auto value = strictDecimal(text);
        if (!value || *value < std::numeric_limits<std::int32_t>::min() ||
            *value > std::numeric_limits<std::int32_t>::max())
            return std::nullopt;
        const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(*value));
        return ParameterWords{static_cast<std::uint16_t>(bits & 0xFFFFu), static_cast<std::uint16_t>(bits >> 16)};
    }
    std::optional<std::uint16_t> word;
    if (dataType == kTypeHex) {
        const auto value = strictHex(text);
        if (value && *value <= 0xFFFFu)
            word = static_cast<std::uint16_t>(*value);
    } else if (dataType == kTypeBits) {
        const auto value = strictBinaryDigits(text, kBitFieldDigits);
        if (value)
            word = static_cast<std::uint16_t>(*value);
    } else if (dataType == kTypeSigned) {
        word = inRange(strictDecimal(text), std::numeric_limits<std::int16_t>::min(),
                       std::numeric_limits<std::int16_t>::max());
    } else {
        word = inRange(strictDecimal(text), 0, std::numeric_limits<std::uint16_t>::max());
    }
    if (!word)
        return std::nullopt;
    return ParameterWords{*word, 0};
}

std::string acceptedText(std::uint8_t dataType, std::uint8_t bitType)
{
    if (bitType == 2)
        return "a decimal integer from -2147483648 to 2147483647";
    if (dataType == kTypeHex)
        return "hexadecimal digits from 0 to FFFF";
    if (dataType == kTypeBits)
        return "one to five binary digits (0 and 1)";
    if (dataType == kTypeSigned)
        return "a decimal integer from -32768 to 32767";
    return "a decimal integer from 0 to 65535";
}

std::string acceptedText(std::uint8_t dataType, std::uint8_t bitType, std::string_view minText,
                         std::string_view maxText, std::string_view unit, RangeCheck bounds)
{
    if (!isRangeChecked(dataType, bitType))
        return acceptedText(dataType, bitType);
    const bool wide = bitType == 2;
    const std::int64_t lowest = wide ? std::numeric_limits<std::int32_t>::min()
                                : dataType == kTypeSigned ? std::numeric_limits<std::int16_t>::min()
                                                          : 0;
    const std::int64_t highest = wide ? std::numeric_limits<std::int32_t>::max()
                                 : dataType == kTypeSigned ? std::numeric_limits<std::int16_t>::max()
                                                           : std::numeric_limits<std::uint16_t>::max();
    const auto min = bounds.lower ? strictDecimal(minText) : std::nullopt;
    const auto max = bounds.upper ? strictDecimal(maxText) : std::nullopt;
    std::string text = "a decimal integer from " + std::to_string(min ? std::max(*min, lowest) : lowest) + " to " +
                       std::to_string(max ? std::min(*max, highest) : highest);
    if (!unit.empty())
        text += " " + std::string(unit);
    return text;
}

bool isRangeChecked(std::uint8_t dataType, std::uint8_t bitType)
{
    return bitType == 2 || (dataType != kTypeBits && dataType != kTypeHex);
}

bool withinRange(std::string_view text, std::string_view minText, std::string_view maxText,
                 RangeCheck bounds)
{
    const auto value = strictDecimal(text);
    if (!value)
        return false;
    if (bounds.lower) {
        const auto min = strictDecimal(minText);
        if (!min || *value < *min)
            return false;
    }
    if (bounds.upper) {
        const auto max = strictDecimal(maxText);
        if (!max || *value > *max)
            return false;
    }
    return true;
}

} // namespace tarvex::parameters
