// Channels 2 to 4 share channel 1's value range on the plot: each sample is
// mapped linearly from its own axis limits into channel 1's. A channel whose
// limits are equal has no span to map from; it is drawn flat at the bottom
// of the plot (channel 1's minimum) instead of dividing by zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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

// Limits from outside (a file) kept within that bound.
constexpr ChannelLimits boundedLimits(const ChannelLimits &limits)
{
    const auto bound = [](int v) { return v < -kAxisLimitBound ? -kAxisLimitBound : v > kAxisLimitBound ? kAxisLimitBound : v; };
    ChannelLimits bounded{};
    for (std::size_t c = 0; c < bounded.size(); ++c)
        bounded[c] = {bound(limits[c].max), bound(limits[c].min)};
    return bounded;
}

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
