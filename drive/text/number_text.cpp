#include "drive/text/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
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

// The text without its blanks and an explicit "+", or nothing when it
// cannot be a number at all.
std::optional<std::string_view> numberBody(std::string_view text)
{
    text = trimmed(text);
    if (text.empty() || text.size() > kLongestNumber)
        return std::nullopt;
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-' || text.front() == '+')
            return std::nullopt;
    }
    return text;
}

} // namespace

std::optional<std::int64_t> strictDecimal(std::string_view text)
{
    const auto body = numberBody(text);
    if (!body)
        return std::nullopt;
    std::int64_t value = 0;
    const char *end = body->data() + body->size();
    const auto [stop, error] = std::from_chars(body->data(), end, value);
    if (error != std::errc{} || stop != end)
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

std::optional<std::uint32_t> strictHex(std::string_view text)
{
    text = trimmed(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    if (text.empty() || text.size() > kLongestNumber)
        return std::nullopt;
    std::uint32_t value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (error != std::errc{} || stop != end)
        return std::nullopt;
    return value;
}

std::optional<std::uint32_t> strictBinaryDigits(std::string_view text, std::size_t maxDigits)
{
    text = trimmed(text);
    if (text.empty() || text.size() > maxDigits || text.size() > 32)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        if (c != '0' && c != '1')
            return std::nullopt;
        value = value * 2 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

std::optional<double> strictReal(std::string_view text)
{
    const auto body = numberBody(text);
    if (!body)
        return std::nullopt;
    // Only plain decimal notation: no exponents, "inf" or "nan".
    for (char c : *body)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-'))
            return std::nullopt;
    double value = 0;
    const char *end = body->data() + body->size();
    const auto [stop, error] = std::from_chars(body->data(), end, value, std::chars_format::fixed);
    if (error != std::errc{} || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::int32_t leadingInteger(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(value * 10 + (text[i] - '0'), kLimit);
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kLimit - 1));
}

std::string fixedText(double value, int decimals)
{
    char text[400];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals < 0 ? 0 : decimals);
    if (error != std::errc{})
        return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    return std::string(text, end);
}

std::string integerRangeMessage(std::int64_t min, std::int64_t max)
{
    return "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) +
           ".";
}

} // namespace tarvex
