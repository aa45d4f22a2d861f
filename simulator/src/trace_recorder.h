// The continuous data trace: while started, the drive samples four channels
// at the set period and queues a block every 30 samples. The client asks
// whether a block is ready, fetches the oldest one (as often as it needs:
// a lost reply can be fetched again) and acknowledges it, which releases
// exactly that block. The queue is bounded; blocks that find it full are
// counted as overruns and dropped, never an already queued one.
#pragma once

#include "simulator/src/sampling.h"

#include <array>
#include <cstdint>
#include <deque>

namespace vq::sim {

class TraceRecorder {
public:
    static constexpr int kSamplesPerBlock = 30;
    static constexpr std::size_t kQueueCapacity = 48;
    // Four channels of 30 samples, channel-major.
    using Block = std::array<std::int16_t, 4 * kSamplesPerBlock>;

    // New period and channels; a running trace goes on with them from its
    // next block.
    void configure(const SamplingSetup &setup);
    // Starts afresh: empty queue, sample counter from 0.
    void start();
    void stop() { running_ = false; }
    bool running() const { return running_; }

    void onStep(const SignalContext &signals);
    // A stretch skipped without sampling: its blocks are counted as lost.
    void skip(long long steps);

    std::size_t queued() const { return queue_.size(); }
    // The oldest queued block, or nullptr. Marks it as fetched.
    const Block *fetch();
    // Releases the oldest block if it has been fetched since it became the
    // oldest; a repeated acknowledge (a retried request) releases nothing.
    bool acknowledge();

    long long blocksProduced() const { return produced_; }
    long long overruns() const { return overruns_; }

private:
    void pushBlock();

    SamplingSetup setup_;
    SampleClock clock_;
    bool running_ = false;
    Block current_{};
    int filled_ = 0;
    long long sampleIndex_ = 0;
    std::deque<Block> queue_;
    bool headFetched_ = false;
    long long produced_ = 0;
    long long overruns_ = 0;
};

} // namespace vq::sim
