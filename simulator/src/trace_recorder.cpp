#include "simulator/src/trace_recorder.h"

namespace vq::sim {

void TraceRecorder::configure(const SamplingSetup &setup)
{
    setup_ = setup;
    clock_.restart(setup_.periodSteps);
    filled_ = 0; // a block is never made of samples of two set-ups
}

void TraceRecorder::start()
{
    running_ = true;
    queue_.clear();
    headFetched_ = false;
    filled_ = 0;
    sampleIndex_ = 0;
    produced_ = 0;
    overruns_ = 0;
    clock_.restart(setup_.periodSteps);
}

void TraceRecorder::onStep(const SignalContext &signals)
{
    if (!running_ || !clock_.tick())
        return;
    const auto samples = sampleChannels(setup_, signals, sampleIndex_++);
    for (std::size_t c = 0; c < 4; ++c)
        current_[c * kSamplesPerBlock + static_cast<std::size_t>(filled_)] = samples[c];
    if (++filled_ == kSamplesPerBlock) {
        filled_ = 0;
        pushBlock();
    }
}

void TraceRecorder::pushBlock()
{
    ++produced_;
    if (queue_.size() >= kQueueCapacity) {
        ++overruns_;
        return;
    }
    queue_.push_back(current_);
}

void TraceRecorder::skip(long long steps)
{
    if (!running_ || steps <= 0)
        return;
    const long long samples = steps / clock_.period();
    sampleIndex_ += samples;
    const long long blocks = (filled_ + samples) / kSamplesPerBlock;
    filled_ = static_cast<int>((filled_ + samples) % kSamplesPerBlock);
    produced_ += blocks;
    overruns_ += blocks;
}

const TraceRecorder::Block *TraceRecorder::fetch()
{
    if (queue_.empty())
        return nullptr;
    headFetched_ = true;
    return &queue_.front();
}

bool TraceRecorder::acknowledge()
{
    if (queue_.empty() || !headFetched_)
        return false;
    queue_.pop_front();
    headFetched_ = false;
    return true;
}

} // namespace vq::sim
