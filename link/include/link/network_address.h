// Drives reached through a serial device server: "tcp://HOST:PORT" carries
// the RTU bytes raw over a TCP connection, "rfc2217://HOST:PORT" carries
// them inside telnet with the line's settings sent through the COM port
// option. Wherever a port is named, such an address is a device string
// like a path; this is where it is told apart and checked.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vq::link {

enum class NetworkProtocol { RawTcp, Rfc2217 };

struct NetworkAddress {
    NetworkProtocol protocol = NetworkProtocol::RawTcp;
    std::string host; // a name or a numeric address, IPv6 without its brackets
    std::uint16_t port = 0;
};

inline constexpr std::string_view kRawTcpScheme = "tcp://";
inline constexpr std::string_view kRfc2217Scheme = "rfc2217://";

// Whether the device string names a network line (by its scheme alone; the
// rest may still be malformed).
bool isNetworkDevice(std::string_view device);

// Reads "tcp://HOST:PORT" or "rfc2217://HOST:PORT" (IPv6 as "[::1]");
// nullopt with `problem` saying what is wrong: the scheme, the host, or a
// port outside 1 to 65535.
std::optional<NetworkAddress> parseNetworkAddress(std::string_view text, std::string &problem);

} // namespace vq::link
