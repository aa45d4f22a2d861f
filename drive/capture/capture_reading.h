// The reads both one-shot captures make once the drive has its recording:
// single registers (the state, the start position) and the sample blocks
// of 64 registers, each sample a signed 16-bit value sent high byte first.
// Every read raises the general busy indicator for its duration.
#pragma once

#include "drive/capture/capture_buffers.h"

#include <cstdint>

namespace tarvex {
class DriveConnection;
}

namespace tarvex::graphs {

inline constexpr int kCaptureBlockRegisters = 64;

// One register as its two reply bytes; true when the drive answered.
bool readCaptureRegister(DriveConnection &drive, std::uint16_t address, std::uint8_t (&bytes)[2],
                         std::uint8_t &status);

// Block `block` of a channel into samples [64 block, 64 block + 63]; true
// when the drive answered with all 128 bytes.
bool readCaptureBlock(DriveConnection &drive, std::uint16_t address, std::int16_t *samples, std::uint8_t &status);

// The blocks of all four channels in channel order, each channel's blocks
// in address order; `address(c, b)` gives the register of block b of
// channel c. The channel (0 to 3) whose read failed, or -1.
template <std::size_t N, class AddressOf>
int readCaptureChannels(DriveConnection &drive, CaptureChannels<N> &received, AddressOf address, std::uint8_t &status)
{
    static_assert(N % kCaptureBlockRegisters == 0);
    constexpr int blocks = static_cast<int>(N) / kCaptureBlockRegisters;
    for (int c = 0; c < 4; ++c)
        for (int b = 0; b < blocks; ++b)
            if (!readCaptureBlock(drive, address(c, b),
                                  received[static_cast<std::size_t>(c)].data() + b * kCaptureBlockRegisters, status))
                return c;
    return -1;
}

} // namespace tarvex::graphs
