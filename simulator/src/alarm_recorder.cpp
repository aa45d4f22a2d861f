#include "simulator/src/alarm_recorder.h"

namespace vq::sim {

void AlarmRecorder::arm(const SamplingSetup &setup, const SignalContext &signals)
{
    setup_ = setup;
    clock_.restart(setup_.periodSteps);
    state_ = kArmed;
    alarmPending_ = false;
    sampleIndex_ = 0;
    const auto present = sampleChannels(setup_, signals, 0);
    for (std::size_t c = 0; c < 4; ++c)
        ring_[c].fill(present[c]);
}

void AlarmRecorder::alarmOccurred()
{
    if (state_ == kArmed)
        alarmPending_ = true;
}

bool AlarmRecorder::onStep(const SignalContext &signals)
{
    if ((state_ != kArmed && state_ != kRecording) || !clock_.tick())
        return false;
    if (state_ == kArmed && alarmPending_) {
        // The first sample after the alarm is the alarm sample.
        state_ = kRecording;
        alarmIndex_ = writeIndex_;
        remaining_ = kSamples - kBeforeAlarm;
    }
    const auto samples = sampleChannels(setup_, signals, sampleIndex_++);
    for (std::size_t c = 0; c < 4; ++c)
        ring_[c][static_cast<std::size_t>(writeIndex_)] = samples[c];
    writeIndex_ = (writeIndex_ + 1) % kSamples;
    if (state_ == kRecording && --remaining_ == 0) {
        state_ = kReady;
        startPosition_ = (alarmIndex_ - kBeforeAlarm + kSamples) % kSamples;
        return true;
    }
    return false;
}

} // namespace vq::sim
