#include "link/src/line_marker.h"

#include "link/crc16.h"
#include "link/modbus_frame.h"

#include <cstring>

namespace vq::link {

namespace {

constexpr std::uint16_t kDriveStateRegister = 0;
constexpr int kMaxMarkerCount = 120;

} // namespace

void LineMarker::owe(const std::uint8_t *request, int length)
{
    owing_ = true;
    if (length >= 3 && request[1] == modbus::kScatteredRead && request[2] / 2 < static_cast<int>(ruledOut_.size()))
        ruledOut_.set(request[2] / 2);
}

void LineMarker::forget()
{
    owing_ = false;
    ruledOut_.reset();
    lastCount_ = 0;
    tailLength_ = 0;
}

int LineMarker::build(std::uint8_t *out, std::uint8_t node)
{
    int count = nextCount_;
    for (int tries = 0; ruledOut_.test(static_cast<std::size_t>(count)) && tries < kMaxMarkerCount; ++tries)
        count = count % kMaxMarkerCount + 1;
    // Each marker has a count of its own, so that the answer to an older
    // one (sent before requests that are still owed) is never taken for it.
    nextCount_ = count % kMaxMarkerCount + 1;
    lastCount_ = count;
    node_ = node;
    tailLength_ = 0;
    std::uint16_t addresses[kMaxMarkerCount];
    for (int i = 0; i < count; ++i)
        addresses[i] = kDriveStateRegister;
    return static_cast<int>(modbus::buildScatteredRequest(out, node, addresses, 2 * count));
}

bool LineMarker::seen(const std::uint8_t *bytes, int count)
{
    if (lastCount_ == 0 || count <= 0)
        return false;
    const int frameLength = modbus::scatteredReplyLength(2 * lastCount_);
    for (int i = 0; i < count; ++i) {
        if (tailLength_ == static_cast<int>(tail_.size())) {
            // Keep the last frame's worth: an answer never starts earlier.
            std::memmove(tail_.data(), tail_.data() + tailLength_ - frameLength, static_cast<std::size_t>(frameLength));
            tailLength_ = frameLength;
        }
        tail_[static_cast<std::size_t>(tailLength_++)] = bytes[i];
        if (tailLength_ < frameLength)
            continue;
        const std::uint8_t *frame = tail_.data() + tailLength_ - frameLength;
        if (frame[0] == node_ && frame[1] == modbus::kScatteredRead && frame[2] == 2 * lastCount_ &&
            modbus::crcMatches(frame, static_cast<std::size_t>(frameLength)))
            return true;
    }
    return false;
}

} // namespace vq::link
