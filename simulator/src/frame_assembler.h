// Cuts the byte stream from the line into request frames by their function
// code. Garbage (a function the drive does not know, a frame that never
// completes) is dropped when the line falls silent, after which the next
// byte starts a new frame, as a Modbus RTU slave resynchronises.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vq::sim {

class FrameAssembler {
public:
    void add(const std::uint8_t *bytes, std::size_t length);
    // The next complete frame, if one is there.
    std::optional<std::vector<std::uint8_t>> next();
    // The line has been silent for the inter-frame gap.
    void lineIdle();
    bool hasPartial() const { return !pending_.empty() || skipping_; }
    std::size_t discardedBytes() const { return discarded_; }

private:
    std::vector<std::uint8_t> pending_;
    bool skipping_ = false; // inside garbage: everything up to the next silence goes
    std::size_t discarded_ = 0;
};

} // namespace vq::sim
