// The one-shot captures' buffers between the drive's reply and the plot:
// the rotation to the drive's start position (with start positions beyond
// the ring), the DC-link division, and the mapping into channel 1's range
// kept in full where 16 bits would wrap.
#include "drive/capture/capture_buffers.h"

#include <gtest/gtest.h>

using namespace tarvex::graphs;

namespace {

template <std::size_t N>
std::array<std::int16_t, N> counting()
{
    std::array<std::int16_t, N> a{};
    for (std::size_t i = 0; i < N; ++i)
        a[i] = static_cast<std::int16_t>(i);
    return a;
}

} // namespace

TEST(RingRotation, DisplaySampleKIsReceivedSampleStartPlusKAroundTheRing)
{
    const auto ring = counting<256>();
    EXPECT_EQ(rotateRing(ring, 0), ring);
    const auto at255 = rotateRing(ring, 255);
    EXPECT_EQ(at255[0], 255);
    EXPECT_EQ(at255[1], 0);
    EXPECT_EQ(at255[255], 254);
    const auto at100 = rotateRing(ring, 100);
    EXPECT_EQ(at100[0], 100);
    EXPECT_EQ(at100[155], 255);
    EXPECT_EQ(at100[156], 0);

    const auto alarm = counting<128>();
    EXPECT_EQ(rotateRing(alarm, 127)[0], 127);
    EXPECT_EQ(rotateRing(alarm, 127)[1], 0);
}

TEST(RingRotation, StartPositionsBeyondTheRingAreTakenModuloItsSize)
{
    const auto ring = counting<256>();
    EXPECT_EQ(rotateRing(ring, 256), ring);
    EXPECT_EQ(rotateRing(ring, 300), rotateRing(ring, 44));
    EXPECT_EQ(rotateRing(ring, 65535), rotateRing(ring, 255));
    const auto alarm = counting<128>();
    EXPECT_EQ(rotateRing(alarm, 128), alarm);
    EXPECT_EQ(rotateRing(alarm, 200), rotateRing(alarm, 72));
}

TEST(CaptureScaling, DcLinkChannelsAreShownInVoltsAndChannelsTwoToFourMapIntoChannelOnesRange)
{
    CaptureChannels<128> display{};
    display[0].fill(3105);
    display[1].fill(3105);
    display[2].fill(-200);
    display[3].fill(500);
    divideDcLinkChannels(display, {7, 1, 4, 7});
    EXPECT_EQ(display[0][0], 310);
    EXPECT_EQ(display[1][0], 3105);
    EXPECT_EQ(display[3][0], 50);

    const auto scaled = scaleIntoPrimary(display, kDefaultLimits);
    EXPECT_EQ(scaled[0][0], 310);
    EXPECT_EQ(scaled[1][0], 3105);       // the same limits as channel 1
    EXPECT_EQ(scaled[2][0], -3500);      // torque's minimum at channel 1's minimum
    EXPECT_EQ(scaled[3][0], -3500 + 7000 * 50 / 500);
}

TEST(CaptureScaling, FarOutsideItsAxisASampleIsNotWrappedToTheOtherSide)
{
    CaptureChannels<128> display{};
    display[1].fill(3000);
    const ChannelLimits narrow = {{{3500, -3500}, {1, 0}, {200, -200}, {500, 0}}};
    const auto scaled = scaleIntoPrimary(display, narrow);
    EXPECT_EQ(scaled[1][0], 7000 * 3000 - 3500);
    EXPECT_GT(scaled[1][0], 0);
}

TEST(CaptureScaling, SamplesFromAFileAreBoundedToSixteenBits)
{
    EXPECT_EQ(boundedSample(40000), 32767);
    EXPECT_EQ(boundedSample(-40000), -32768);
    EXPECT_EQ(boundedSample(-12), -12);
}
