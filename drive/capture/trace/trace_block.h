// One block of the continuous data trace as the drive streams it: 30
// samples of each of the four channels, channel-major on the wire.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvex::trace {

inline constexpr int kSamplesPerBlock = 30;
inline constexpr int kBlockValues = 4 * kSamplesPerBlock;
inline constexpr int kBlockBytes = 2 * kBlockValues; // each value high byte first

using ChannelSamples = std::array<std::int16_t, kSamplesPerBlock>;
using TraceBlock = std::array<ChannelSamples, 4>;

// Value 30k + j of the block (high byte first) is sample j of channel k + 1.
inline TraceBlock decodeTraceBlock(const std::uint8_t *bytes)
{
    TraceBlock block{};
    for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t j = 0; j < kSamplesPerBlock; ++j) {
            const std::size_t at = 2 * (k * kSamplesPerBlock + j);
            block[k][j] = static_cast<std::int16_t>(
                static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]));
        }
    return block;
}

} // namespace tarvex::trace
