// Where and how the link talks to the drive: node address, port and rate.
// A port is either a COM number (COM n is the on-board port /dev/ttyS{n-1}),
// a device path (USB adapter, the virtual drive's pseudo-terminal) or a
// serial device server's address (tcp://HOST:PORT, rfc2217://HOST:PORT).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

struct PortChoice {
    std::uint8_t number = 1; // used when device is empty
    std::string device; // a path or a network address

    bool isDevice() const { return !device.empty(); }
    bool isNetwork() const;
    // The text the port field shows for this port.
    std::string text() const { return isDevice() ? device : std::to_string(number); }
    // The serial device this port opens (COM n is /dev/ttyS{n-1}).
    std::string devicePath() const { return isDevice() ? device : "/dev/ttyS" + std::to_string(number - 1); }
    bool operator==(const PortChoice &) const = default;
};

struct LinkSettings {
    std::uint8_t node = 0;
    PortChoice port;
    std::uint32_t baud = 0; // 0 until the setting dialog has been accepted
    // The opt-in fast exchange profile of the link library; off keeps the
    // library's specified timing.
    bool fastExchange = false;
};

// The rates of the baud list, by index; any other index gives 0.
std::uint32_t baudForIndex(int index);
inline constexpr int kDialogBaudIndex = 1; // 19200, the rate the dialog starts with

// Reads the port field: a COM number 1 to 255 (optionally written "COM5"),
// an absolute device path, or tcp://HOST:PORT / rfc2217://HOST:PORT.
// Anything else is refused.
std::optional<PortChoice> parsePortText(std::string_view text);
// What is wrong with a text that names a network port; empty when the text
// is no network address or a sound one.
std::string networkPortProblem(std::string_view text);

inline constexpr int kNodeMin = 0;
inline constexpr int kNodeMax = 99;
// Reads the node field: a whole number 0 to 99, blanks around it allowed.
std::optional<std::uint8_t> parseNodeText(std::string_view text);

} // namespace tarvex
