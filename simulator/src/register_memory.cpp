#include "simulator/src/register_memory.h"

namespace vq::sim {

bool RegisterMemory::isKnownBlock(std::uint16_t start, int count) const
{
    if (count <= 0)
        return false;
    const long last = static_cast<long>(start) + 2L * (count - 1);
    if (last > 65534)
        return false;
    for (long a = start; a <= last; a += 2) {
        if (!isKnown(static_cast<std::uint16_t>(a)))
            return false;
    }
    return true;
}

void RegisterMemory::addRange(std::uint16_t first, std::uint16_t last, std::uint16_t value)
{
    for (unsigned a = first & ~1u; a <= last; a += 2) {
        known_.set(a / 2u);
        words_[a / 2u] = value;
    }
}

void RegisterMemory::set32(std::uint16_t address, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    set(address, static_cast<std::uint16_t>(bits & 0xFFFFu));
    set(static_cast<std::uint16_t>(address + 2u), static_cast<std::uint16_t>(bits >> 16));
}

std::int32_t RegisterMemory::get32(std::uint16_t address) const
{
    const std::uint32_t low = get(address);
    const std::uint32_t high = get(static_cast<std::uint16_t>(address + 2u));
    return static_cast<std::int32_t>((high << 16) | low);
}

} // namespace vq::sim
