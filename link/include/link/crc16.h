// CRC-16 of the Modbus serial line (reflected polynomial 0xA001, initial value
// 0xFFFF, no final inversion), computed with the classic pair of 256-entry
// tables: one for the high byte of the running CRC and one for the low byte.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vq::modbus {

std::uint16_t crc16(const std::uint8_t *bytes, std::size_t length);

// Appends the CRC of bytes[0, length) at bytes[length] (low byte) and
// bytes[length + 1] (high byte); returns the new length.
std::size_t appendCrc(std::uint8_t *bytes, std::size_t length);

// True when the last two bytes of a frame of `length` bytes are the CRC of
// the bytes before them.
bool crcMatches(const std::uint8_t *frame, std::size_t length);

} // namespace vq::modbus
