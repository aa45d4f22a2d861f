// The plain cause behind a link status byte or a closed link, in the words
// an engineer at the cabinet can act on. The windows add it below their own
// message texts and m9ctl prints it after its one-line failure, so that a
// failure tells where it happened and what to check, the same everywhere.
#pragma once

#include <cstdint>
#include <string>

namespace tarvex {

// Where an exchange went: the node number, the port as the user named it and
// the baud rate (0 when none has been chosen yet).
struct LinkPlace {
    std::uint8_t node = 0;
    std::string port;
    std::uint32_t baud = 0;
};

// Empty for status 0 (accepted); otherwise one sentence naming the cause and
// what to check, e.g. "no reply from node 5 on /dev/ttyUSB0 at 19200 baud:
// check node, baud rate and cable".
std::string linkCause(std::uint8_t status, const LinkPlace &place);

// Why a command that needs the drive did nothing while the link is closed.
inline constexpr const char *kLinkClosedCause =
    "not connected to the drive: connect first (Communication > Connect)";

} // namespace tarvex
