#include "drive/connection/link_settings.h"

#include "link/network_address.h"

#include <array>
#include <cctype>

namespace tarvex {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// A short run of decimal digits as a number; nullopt for anything else.
std::optional<int> smallNumber(std::string_view text)
{
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

constexpr std::size_t kLongestDevicePath = 255;

} // namespace

std::uint32_t baudForIndex(int index)
{
    static constexpr std::array<std::uint32_t, 4> rates{9600, 19200, 38400, 57600};
    if (index < 0 || index >= static_cast<int>(rates.size()))
        return 0;
    return rates[static_cast<std::size_t>(index)];
}

bool PortChoice::isNetwork() const { return vq::link::isNetworkDevice(device); }

std::string networkPortProblem(std::string_view text)
{
    text = trimmed(text);
    if (!vq::link::isNetworkDevice(text))
        return {};
    std::string problem;
    if (vq::link::parseNetworkAddress(text, problem))
        return {};
    return problem;
}

std::optional<PortChoice> parsePortText(std::string_view text)
{
    text = trimmed(text);
    if (vq::link::isNetworkDevice(text)) {
        std::string problem;
        if (!vq::link::parseNetworkAddress(text, problem))
            return std::nullopt;
        PortChoice port;
        port.device = std::string(text);
        return port;
    }
    if (!text.empty() && text.front() == '/') {
        if (text.size() > kLongestDevicePath || text.find('\0') != std::string_view::npos)
            return std::nullopt;
        PortChoice port;
        port.device = std::string(text);
        return port;
    }
    if (text.size() > 3 && (text.substr(0, 3) == "COM" || text.substr(0, 3) == "com"))
        text.remove_prefix(3);
    const auto number = smallNumber(text);
    if (!number || *number < 1 || *number > 255)
        return std::nullopt;
    PortChoice port;
    port.number = static_cast<std::uint8_t>(*number);
    return port;
}

std::optional<std::uint8_t> parseNodeText(std::string_view text)
{
    const auto number = smallNumber(trimmed(text));
    if (!number || *number < kNodeMin || *number > kNodeMax)
        return std::nullopt;
    return static_cast<std::uint8_t>(*number);
}

} // namespace tarvex
