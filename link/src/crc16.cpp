#include "link/crc16.h"

#include <array>

namespace vq::modbus {
namespace {

// The tables are derived once at compile time from the polynomial, so they
// cannot drift from it. crcHi[i] and crcLo[i] are the high and low bytes of
// the CRC contribution of index i, as in the published Modbus tables.
struct CrcTables {
    std::array<std::uint8_t, 256> hi{};
    std::array<std::uint8_t, 256> lo{};
};

constexpr CrcTables makeTables()
{
    CrcTables t;
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1u) ? (crc >> 1) ^ 0xA001u : crc >> 1;
        // The published "auchCRCHi" table holds the byte that is combined
        // with the running low byte, "auchCRCLo" the one that becomes the new
        // high byte; with the register kept as (hi, lo) the roles are these.
        t.hi[i] = static_cast<std::uint8_t>(crc & 0xFFu);
        t.lo[i] = static_cast<std::uint8_t>(crc >> 8);
    }
    return t;
}

constexpr CrcTables kTables = makeTables();

} // namespace

std::uint16_t crc16(const std::uint8_t *bytes, std::size_t length)
{
    std::uint8_t hi = 0xFF; // byte sent first (the CRC's low byte)
    std::uint8_t lo = 0xFF;
    for (std::size_t n = 0; n < length; ++n) {
        const std::uint8_t index = hi ^ bytes[n];
        hi = static_cast<std::uint8_t>(lo ^ kTables.hi[index]);
        lo = kTables.lo[index];
    }
    return static_cast<std::uint16_t>(hi | (lo << 8));
}

std::size_t appendCrc(std::uint8_t *bytes, std::size_t length)
{
    const std::uint16_t crc = crc16(bytes, length);
    bytes[length] = static_cast<std::uint8_t>(crc & 0xFFu);
    bytes[length + 1] = static_cast<std::uint8_t>(crc >> 8);
    return length + 2;
}

bool crcMatches(const std::uint8_t *frame, std::size_t length)
{
    if (length < 3)
        return false;
    const std::uint16_t crc = crc16(frame, length - 2);
    return frame[length - 2] == (crc & 0xFFu) && frame[length - 1] == (crc >> 8);
}

} // namespace vq::modbus
