// The alarm recording: once armed the drive keeps the last 128 samples of
// four channels in a ring; at the next alarm it records 63 more, so that
// the ring holds 64 samples before the alarm and 64 from it on, and reports
// the index of the oldest sample.
#pragma once

#include "simulator/src/sampling.h"

#include <array>
#include <cstdint>

namespace vq::sim {

class AlarmRecorder {
public:
    static constexpr int kSamples = 128;
    static constexpr int kBeforeAlarm = 64;
    enum State : std::uint16_t { kIdle = 0, kArmed = 1, kRecording = 3, kReady = 4 };

    // Arms with the set-up; the ring starts filled with the present values.
    void arm(const SamplingSetup &setup, const SignalContext &signals);
    void disarm() { state_ = kIdle; }
    State state() const { return state_; }
    void alarmOccurred();
    // One control step; true when this step finished the recording.
    bool onStep(const SignalContext &signals);

    int startPosition() const { return startPosition_; }
    const std::array<std::int16_t, kSamples> &channel(std::size_t c) const { return ring_[c]; }

private:
    SamplingSetup setup_;
    SampleClock clock_;
    State state_ = kIdle;
    bool alarmPending_ = false;
    std::array<std::array<std::int16_t, kSamples>, 4> ring_{};
    int writeIndex_ = 0;
    int remaining_ = 0;
    int alarmIndex_ = 0;
    int startPosition_ = 0;
    long long sampleIndex_ = 0;
};

} // namespace vq::sim
