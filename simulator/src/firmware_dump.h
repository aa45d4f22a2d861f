// The program memory the virtual drive holds, written out as an Intel HEX
// file the way firmware files carry it: each 24-bit instruction as four
// bytes (low, high, upper, a zero pad) at byte address 2 x its word
// address, sixteen bytes a record, extended linear address records where
// the upper half of the address changes. Erased instructions (all ones)
// are left out, so a dump after a download holds what the download wrote.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace vq::sim {

std::string programMemoryHex(const std::map<std::uint32_t, std::uint32_t> &program);

} // namespace vq::sim
