// The sample buffers of the one-shot captures (the trigger capture's ring of
// 256 and the alarm recording's ring of 128 per channel) and what happens
// to them between the drive's reply and the plot: the rotation that puts the
// drive's oldest sample first, the DC-link division into volts, and the
// mapping of channels 2 to 4 into channel 1's range.
#pragma once

#include "drive/capture/channel_scaling.h"
#include "drive/capture/graph_file.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvex::graphs {

template <std::size_t N>
using CaptureChannels = std::array<std::array<std::int16_t, N>, 4>;

template <std::size_t N>
using ScaledChannels = std::array<std::array<int, N>, 4>;

// The drive reports the index of its oldest sample; display sample k is
// received sample (start + k) mod N. A start position the ring cannot hold
// (N or more) is taken modulo N, so the rotation never leaves the ring.
template <std::size_t N>
std::array<std::int16_t, N> rotateRing(const std::array<std::int16_t, N> &received, unsigned start)
{
    std::array<std::int16_t, N> display{};
    const std::size_t s = start % N;
    for (std::size_t k = 0; k < N; ++k)
        display[k] = received[(s + k) % N];
    return display;
}

template <std::size_t N>
CaptureChannels<N> rotateChannels(const CaptureChannels<N> &received, unsigned start)
{
    CaptureChannels<N> display{};
    for (std::size_t c = 0; c < 4; ++c)
        display[c] = rotateRing(received[c], start);
    return display;
}

// Samples of "DC Link Voltage[v]" channels arrive in 0.1 V: divided by 10
// in place (truncating), the other channels are left as received.
template <std::size_t N>
void divideDcLinkChannels(CaptureChannels<N> &display, const std::array<int, 4> &listIndices)
{
    for (std::size_t c = 0; c < 4; ++c)
        for (std::int16_t &sample : display[c])
            sample = static_cast<std::int16_t>(displaySample(sample, listIndices[c]));
}

// Channel 1 as it is, channels 2 to 4 mapped from their own limits into
// channel 1's (integer arithmetic, product first). The results are kept in
// full: a sample far outside its own axis may map beyond 16 bits, and cut
// to 16 bits it would land on the wrong side of the plot.
template <std::size_t N>
ScaledChannels<N> scaleIntoPrimary(const CaptureChannels<N> &display, const ChannelLimits &limits)
{
    ScaledChannels<N> scaled{};
    for (std::size_t k = 0; k < N; ++k)
        scaled[0][k] = display[0][k];
    for (std::size_t c = 1; c < 4; ++c)
        for (std::size_t k = 0; k < N; ++k)
            scaled[c][k] = mapToPrimary(display[c][k], limits[c], limits[0]);
    return scaled;
}

// A sample value from outside (a file) bounded to what a drive sample can be.
constexpr std::int16_t boundedSample(int value)
{
    return static_cast<std::int16_t>(value < -32768 ? -32768 : value > 32767 ? 32767 : value);
}

// A capture as a graph file writes it: each sample with its time in
// milliseconds of `period` x 0.2 ms.
template <std::size_t N>
std::array<std::vector<PointRecord>, 4> capturePoints(const CaptureChannels<N> &display, int period)
{
    std::array<std::vector<PointRecord>, 4> points;
    for (std::size_t c = 0; c < 4; ++c) {
        points[c].reserve(N);
        for (std::size_t k = 0; k < N; ++k)
            points[c].push_back({captureValueText(display[c][k]), captureTimeText(static_cast<int>(k), period)});
    }
    return points;
}

// The samples a file brought, bounded, into the buffer; samples the file
// lacks keep what the buffer held.
template <std::size_t N>
void loadCaptureSamples(const std::array<std::vector<int>, 4> &samples, CaptureChannels<N> &display)
{
    for (std::size_t c = 0; c < 4; ++c)
        for (std::size_t k = 0; k < N && k < samples[c].size(); ++k)
            display[c][k] = boundedSample(samples[c][k]);
}

} // namespace tarvex::graphs
