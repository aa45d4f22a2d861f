#include "simulator/src/frame_assembler.h"

#include "link/modbus_frame.h"

namespace vq::sim {

void FrameAssembler::add(const std::uint8_t *bytes, std::size_t length)
{
    if (skipping_) {
        discarded_ += length;
        return;
    }
    pending_.insert(pending_.end(), bytes, bytes + length);
}

std::optional<std::vector<std::uint8_t>> FrameAssembler::next()
{
    if (skipping_ || pending_.empty())
        return std::nullopt;
    const auto length = modbus::requestLength(pending_.data(), pending_.size());
    if (!length)
        return std::nullopt;
    if (*length == 0) {
        // A function this drive does not know: its length cannot be told,
        // so nothing up to the next silence can be trusted.
        discarded_ += pending_.size();
        pending_.clear();
        skipping_ = true;
        return std::nullopt;
    }
    if (pending_.size() < *length)
        return std::nullopt;
    std::vector<std::uint8_t> frame(pending_.begin(), pending_.begin() + static_cast<long>(*length));
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(*length));
    return frame;
}

void FrameAssembler::lineIdle()
{
    discarded_ += pending_.size();
    pending_.clear();
    skipping_ = false;
}

} // namespace vq::sim
