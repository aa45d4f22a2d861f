#include "simulator/src/drive_identity.h"

#include <cctype>

namespace vq::sim {
namespace {

bool readNumber(const std::string &text, std::size_t &i, int &value, std::size_t maxDigits)
{
    const std::size_t begin = i;
    value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - begin < maxDigits)
        value = value * 10 + (text[i++] - '0');
    return i > begin;
}

} // namespace

std::optional<DriveIdentity> parseVersion(const std::string &text, const DriveIdentity &base)
{
    if (text.size() < 6 || (text[0] != 'A' && text[0] != 'B'))
        return std::nullopt;
    std::size_t i = 1;
    int whole = 0, hundredths = 0, sub = 0;
    if (!readNumber(text, i, whole, 2) || i >= text.size() || text[i++] != '.')
        return std::nullopt;
    const std::size_t fractionStart = i;
    if (!readNumber(text, i, hundredths, 2) || i - fractionStart != 2 || i >= text.size() || text[i++] != '.')
        return std::nullopt;
    if (!readNumber(text, i, sub, 2) || i != text.size())
        return std::nullopt;
    const int value = whole * 100 + hundredths;
    if (value > 1023 || sub > 31)
        return std::nullopt;
    DriveIdentity out = base;
    out.variantB = text[0] == 'B';
    out.versionHundredths = value;
    out.subVersion = sub;
    return out;
}

} // namespace vq::sim
