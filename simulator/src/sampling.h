// What the drive's recorders share: four channel codes sampled every
// `period` control steps of 0.2 ms.
#pragma once

#include "simulator/src/drive_signals.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vq::sim {

struct SamplingSetup {
    int periodSteps = 1; // a period of 0 is taken as 1: the drive cannot sample faster
    std::array<int, 4> codes{};
};

inline SamplingSetup makeSamplingSetup(std::uint16_t period, std::uint16_t c1, std::uint16_t c2,
                                       std::uint16_t c3, std::uint16_t c4)
{
    return {std::max(1, static_cast<int>(period)), {c1, c2, c3, c4}};
}

// Counts control steps down to the next sample.
class SampleClock {
public:
    void restart(int periodSteps)
    {
        period_ = std::max(1, periodSteps);
        countdown_ = 1; // the first sample is taken at the next step
    }
    bool tick()
    {
        if (--countdown_ > 0)
            return false;
        countdown_ = period_;
        return true;
    }
    // Control steps covered by `samples` sample periods from now.
    long long stepsFor(long long samples) const { return samples * period_; }
    int period() const { return period_; }

private:
    int period_ = 1;
    int countdown_ = 1;
};

inline std::array<std::int16_t, 4> sampleChannels(const SamplingSetup &setup,
                                                  const SignalContext &signals,
                                                  long long sampleIndex)
{
    std::array<std::int16_t, 4> out{};
    for (std::size_t c = 0; c < 4; ++c)
        out[c] = channelSample(setup.codes[c], signals, sampleIndex);
    return out;
}

} // namespace vq::sim
