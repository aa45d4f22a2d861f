#include "decimal_text.h"

#include <charconv>
#include <limits>

namespace tarvex {

namespace {

// Far beyond any register value; longer texts are refused unread.
constexpr std::size_t kLongestNumber = 24;

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<std::int64_t> strictDecimal(std::string_view text)
{
    text = trimmed(text);
    if (text.empty() || text.size() > kLongestNumber)
        return std::nullopt;
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-')
            return std::nullopt;
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<std::int16_t> strictSigned16(std::string_view text)
{
    const auto value = strictDecimal(text);
    if (!value || *value < std::numeric_limits<std::int16_t>::min() ||
        *value > std::numeric_limits<std::int16_t>::max())
        return std::nullopt;
    return static_cast<std::int16_t>(*value);
}

std::string integerRangeMessage(std::int64_t min, std::int64_t max)
{
    return "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) +
           ".";
}

} // namespace tarvex
