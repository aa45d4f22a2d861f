#include "simulator/src/trigger_capture.h"

#include <algorithm>

namespace vq::sim {

void TriggerCapture::arm(const Setup &setup)
{
    setup_ = setup;
    setup_.position = std::clamp(setup_.position, 0, kSamples - 1);
    clock_.restart(setup_.sampling.periodSteps);
    state_ = setup_.position > 0 ? kFilling : kWaiting;
    taken_ = 0;
    havePrevious_ = false;
    sampleIndex_ = 0;
}

bool TriggerCapture::crossed(int value) const
{
    if (!havePrevious_)
        return false;
    if (setup_.edge == 0)
        return previous_ < setup_.level && value >= setup_.level;
    return previous_ > setup_.level && value <= setup_.level;
}

bool TriggerCapture::onStep(const SignalContext &signals)
{
    if (state_ == kIdle || state_ == kComplete || !clock_.tick())
        return false;
    const int value = triggerSourceValue(setup_.source, signals);
    if (state_ == kWaiting && crossed(value)) {
        state_ = kRecording;
        triggerIndex_ = writeIndex_;
        remaining_ = kSamples - 1 - setup_.position;
    } else if (state_ == kRecording) {
        --remaining_;
    }
    const auto samples = sampleChannels(setup_.sampling, signals, sampleIndex_++);
    for (std::size_t c = 0; c < 4; ++c)
        ring_[c][static_cast<std::size_t>(writeIndex_)] = samples[c];
    writeIndex_ = (writeIndex_ + 1) % kSamples;
    ++taken_;
    previous_ = value;
    havePrevious_ = true;

    if (state_ == kFilling && taken_ >= setup_.position)
        state_ = kWaiting;
    if (state_ == kRecording && remaining_ == 0) {
        state_ = kComplete;
        startPosition_ = (triggerIndex_ - setup_.position + kSamples) % kSamples;
        return true;
    }
    return false;
}

} // namespace vq::sim
