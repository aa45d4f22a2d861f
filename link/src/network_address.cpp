#include "link/network_address.h"

#include <cctype>

namespace vq::link {

namespace {

constexpr std::size_t kLongestHostName = 253;

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// Letters, digits, dots and hyphens make a host name or an IPv4 address;
// anything else (blanks, slashes, a user part) is refused before the
// resolver sees it.
bool isHostName(std::string_view host)
{
    if (host.empty() || host.size() > kLongestHostName || host.front() == '-' || host.front() == '.')
        return false;
    for (char c : host) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '.' && c != '-')
            return false;
    }
    return true;
}

bool isIpv6Text(std::string_view host)
{
    if (host.size() < 2 || host.size() > 45)
        return false;
    for (char c : host) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isxdigit(u) && c != ':' && c != '.')
            return false;
    }
    return host.find(':') != std::string_view::npos;
}

std::optional<std::uint16_t> portNumber(std::string_view text)
{
    if (text.empty() || text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

} // namespace

bool isNetworkDevice(std::string_view device)
{
    return startsWith(device, kRawTcpScheme) || startsWith(device, kRfc2217Scheme);
}

std::optional<NetworkAddress> parseNetworkAddress(std::string_view text, std::string &problem)
{
    NetworkAddress address;
    std::string_view rest;
    if (startsWith(text, kRawTcpScheme)) {
        address.protocol = NetworkProtocol::RawTcp;
        rest = text.substr(kRawTcpScheme.size());
    } else if (startsWith(text, kRfc2217Scheme)) {
        address.protocol = NetworkProtocol::Rfc2217;
        rest = text.substr(kRfc2217Scheme.size());
    } else {
        problem = "a network port starts with tcp:// or rfc2217://";
        return std::nullopt;
    }
    std::string_view host;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            problem = "an IPv6 address is written [ADDRESS]:PORT";
            return std::nullopt;
        }
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
        if (!isIpv6Text(host)) {
            problem = "\"" + std::string(host) + "\" is not an IPv6 address";
            return std::nullopt;
        }
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) {
            problem = "the address needs a port: HOST:PORT, for example 192.168.0.7:4001";
            return std::nullopt;
        }
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (!isHostName(host)) {
            problem = "\"" + std::string(host.substr(0, 64)) + "\" is not a host name or address";
            return std::nullopt;
        }
    }
    const auto number = portNumber(port);
    if (!number) {
        problem = "the TCP port must be a number from 1 to 65535, not \"" + std::string(port.substr(0, 16)) + "\"";
        return std::nullopt;
    }
    address.host = std::string(host);
    address.port = *number;
    return address;
}

} // namespace vq::link
