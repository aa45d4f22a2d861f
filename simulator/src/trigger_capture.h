// The one-shot trigger capture: once armed the drive samples four channels
// into a ring of 256 and watches the trigger source. The trigger counts
// only after `position` samples have been taken, so that the capture holds
// `position` samples before the trigger sample and the rest after it. When
// the ring is complete the drive reports the index of its oldest sample;
// the ring is never reset to 0, so that index moves from capture to capture.
#pragma once

#include "simulator/src/sampling.h"

#include <array>
#include <cstdint>

namespace vq::sim {

class TriggerCapture {
public:
    static constexpr int kSamples = 256;
    enum State : std::uint16_t { kIdle = 0, kFilling = 1, kWaiting = 2, kRecording = 3, kComplete = 4 };

    struct Setup {
        SamplingSetup sampling;
        int source = 1;
        int edge = 0;     // 0 positive (rising through the level), 1 negative
        int position = 0; // samples before the trigger, 0..255
        int level = 0;
    };

    void arm(const Setup &setup);
    void disarm() { state_ = kIdle; }
    State state() const { return state_; }
    // One control step; true when this step completed the capture.
    bool onStep(const SignalContext &signals);

    int startPosition() const { return startPosition_; }
    const std::array<std::int16_t, kSamples> &channel(std::size_t c) const { return ring_[c]; }

private:
    bool crossed(int value) const;

    Setup setup_;
    SampleClock clock_;
    State state_ = kIdle;
    std::array<std::array<std::int16_t, kSamples>, 4> ring_{};
    int writeIndex_ = 37; // wherever the last capture left it
    int taken_ = 0;
    int remaining_ = 0;
    int triggerIndex_ = 0;
    int startPosition_ = 0;
    bool havePrevious_ = false;
    int previous_ = 0;
    long long sampleIndex_ = 0;
};

} // namespace vq::sim
