// Channels 2 to 4 share channel 1's value range on the plot: each sample is
// mapped linearly from its own axis limits into channel 1's. A channel whose
// limits are equal has no span to map from; it is drawn flat at the bottom
// of the plot (channel 1's minimum) instead of dividing by zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvex::graphs {

struct AxisLimits {
    int max = 0;
    int min = 0;
    int span() const { return max - min; }
};

// Axis limits of the four channels, in the file order max 1, min 1, ...
using ChannelLimits = std::array<AxisLimits, 4>;

// The graph windows' defaults: speeds +-3500, torque +-200, voltage 0..500.
inline constexpr ChannelLimits kDefaultLimits = {{{3500, -3500}, {3500, -3500}, {200, -200}, {500, 0}}};

// The largest magnitude an axis limit may have, typed or read from a file.
inline constexpr int kAxisLimitBound = 1'000'000;

// Whether an axis can be drawn from these limits: a span (max above min),
// within the bound. The chart's tick search never ends without a span.
constexpr bool usableLimits(AxisLimits limits)
{
    return limits.max > limits.min && limits.max <= kAxisLimitBound && limits.min >= -kAxisLimitBound;
}

// Limits from outside (a file, the remembered set-up) as the windows draw
// them: kept within the bound, and a channel whose limits have no span
// given its default.
constexpr AxisLimits withinBound(AxisLimits limits)
{
    const auto bound = [](int v) { return v < -kAxisLimitBound ? -kAxisLimitBound : v > kAxisLimitBound ? kAxisLimitBound : v; };
    return {bound(limits.max), bound(limits.min)};
}

constexpr ChannelLimits boundedLimits(const ChannelLimits &limits)
{
    ChannelLimits bounded{};
    for (std::size_t c = 0; c < bounded.size(); ++c) {
        bounded[c] = withinBound(limits[c]);
        if (!usableLimits(bounded[c]))
            bounded[c] = kDefaultLimits[c];
    }
    return bounded;
}

// One line per channel whose limits boundedLimits replaces ("Channel 2: max
// 5, min 5"), or empty when all can be drawn.
std::string unusableLimitsText(const ChannelLimits &limits);

// Integer mapping of a raw sample into channel 1's range (product first,
// then the division, truncating toward zero).
int mapToPrimary(int sample, AxisLimits own, AxisLimits primary);

// The trace's floating-point variant for DC-link voltage samples: the raw
// 0.1 V value divided by 10 before the mapping, the result truncated.
int mapDcLinkToPrimary(int sample, AxisLimits own, AxisLimits primary);

// A plotted value back to the channel's own units (the inverse mapping), and
// from there into new limits; used when the axis limits are changed.
float plottedToPhysical(float plotted, AxisLimits own, AxisLimits primary);
float physicalToPlotted(float physical, AxisLimits own, AxisLimits primary);

// The value a sample of list entry `index` has in display units: the DC-link
// voltage divided by 10 (truncating), every other quantity as received.
inline int displaySample(int sample, int listIndex) { return listIndex == 7 ? sample / 10 : sample; }

} // namespace tarvex::graphs
