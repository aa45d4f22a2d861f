#include "drive/parameters/model/parameter_display.h"

#include "drive/text/number_text.h"

#include <cstdio>

namespace tarvex::parameters {
namespace {

std::string signedText(long long value)
{
    return std::to_string(value);
}

std::string fixed1(double value) { return fixedText(value, 1); }

std::string fixed2(double value) { return fixedText(value, 2); }

enum class Hex { Min4, Min2, Min1, Width4 };

std::string hexText(std::uint16_t word, Hex format)
{
    char t[16];
    switch (format) {
    case Hex::Min4: std::snprintf(t, sizeof t, "%.4X", word); break;
    case Hex::Min2: std::snprintf(t, sizeof t, "%.2X", word); break;
    case Hex::Min1: std::snprintf(t, sizeof t, "%.1X", word); break;
    case Hex::Width4: std::snprintf(t, sizeof t, "%4X", word); break;
    }
    return t;
}

std::string digitsText(std::uint16_t word, int bits, int minDigits)
{
    char t[32];
    std::snprintf(t, sizeof t, "%.*u", minDigits, binaryDigits(word, bits));
    return t;
}

std::int16_t s16(std::uint16_t w) { return static_cast<std::int16_t>(w); }

std::string statusText(int k, ParameterShape shape, std::uint16_t first, std::uint16_t second,
                       const std::string &versionText)
{
    const std::uint32_t value32 = joinWords(first, second);
    if (shape.bitType == 2) {
        if (k == 5 || k == 6)
            return fixed1(value32 * 0.1);
        return signedText(static_cast<std::int32_t>(value32));
    }
    if (shape.dataType == 2)
        return (k >= 6 && k <= 10) ? fixed1(s16(first) * 0.1) : signedText(s16(first));
    if (shape.dataType == 8) {
        if (k == 22)
            return fixed2(s16(first) * 0.01);
        if (k == 25)
            return versionText;
        return fixed1(s16(first) / 10.0);
    }
    if (k == 11 || k == 12 || k == 13 || k == 14 || k == 22 || k == 26)
        return fixed1(s16(first) * 0.1);
    if (k == 19)
        return fixed2(s16(first) * 0.01);
    if (shape.dataType == 0)
        return digitsText(first, 4, 4);
    return signedText(first);
}

} // namespace

unsigned binaryDigits(std::uint16_t word, int bits)
{
    unsigned digits = 0;
    for (int b = bits - 1; b >= 0; --b)
        digits = digits * 10 + ((word >> b) & 1u);
    return digits;
}

std::string readAllText(int group, int k, ParameterShape shape, std::uint16_t first, std::uint16_t second,
                        const std::string &versionText)
{
    if (group == kGroupStatus)
        return statusText(k, shape, first, second, versionText);
    if (shape.bitType == 2)
        return signedText(static_cast<std::int32_t>(joinWords(first, second)));
    if (shape.dataType == 2)
        return signedText(s16(first));
    if (shape.dataType == 1) {
        switch (group) {
        case 1: return hexText(first, k == 16 ? Hex::Min1 : Hex::Min4);
        case 2:
        case 7: return hexText(first, Hex::Min2);
        case 6: return hexText(first, Hex::Width4);
        default: return hexText(first, Hex::Min4);
        }
    }
    if (shape.dataType == 0) {
        switch (group) {
        case 1: return k == 17 ? digitsText(first, 5, 5) : digitsText(first, 5, 2);
        case 2:
        case 7: return digitsText(first, 4, 2);
        case 3: return digitsText(first, 5, 5);
        default: return digitsText(first, 4, 4);
        }
    }
    return signedText(first);
}

std::string readText(int group, ParameterShape shape, std::uint16_t first, std::uint16_t second)
{
    if (shape.bitType == 2)
        return signedText(static_cast<std::int32_t>(joinWords(first, second)));
    if (shape.dataType == 2)
        return signedText(s16(first));
    if (group == kGroupStatus)
        return shape.dataType == 8 ? fixed1(s16(first) * 0.1) : signedText(first);
    if (shape.dataType == 1)
        return hexText(first, group == 1 ? Hex::Min4 : Hex::Width4);
    if (shape.dataType == 0) {
        switch (group) {
        case 1: return digitsText(first, 5, 2);
        case 3: return digitsText(first, 5, 5);
        default: return digitsText(first, 4, 4);
        }
    }
    return signedText(first);
}

std::string driveVersionText(std::uint16_t reg)
{
    return std::string((reg & 0x8000) ? "B" : "A") + fixedText(((reg >> 5) & 0x3FF) / 100.0, 2) + "." +
           std::to_string(reg & 0x1F);
}

float driveVersionNumber(std::uint16_t reg)
{
    return static_cast<float>((reg >> 5) & 0x3FF) / 100.0f;
}

bool reportsParameterLock(std::uint16_t reg) { return ((reg >> 5) & 0x3FF) >= 20; }

const char *systemResolutionUnit(std::uint16_t word) { return s16(word) < 31 ? "bit" : "ppr"; }

} // namespace tarvex::parameters
