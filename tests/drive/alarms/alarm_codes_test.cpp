#include "drive/alarms/alarm_codes.h"

#include <gtest/gtest.h>

using namespace tarvex::alarms;

TEST(AlarmCodes, NamesFromTheTableAndNothingForOthers)
{
    EXPECT_EQ(alarmName(0x10), "IPM fault");
    EXPECT_EQ(alarmName(0x80), "SVON Time Out");
    EXPECT_EQ(alarmName(0x4e), "");
    EXPECT_EQ(alarmName(0), "");
    EXPECT_EQ(alarmNumberText(0x4e), "AL - 4e");
    EXPECT_EQ(alarmNumberText(0), "AL - 00");
}

TEST(AlarmHistoryBlock, TwoCodesPerRegisterLowByteFirst)
{
    std::uint8_t block[40] = {0x21, 0x10, 0x00, 0x14};
    block[18] = 0x80;
    block[19] = 0x63;
    block[20] = 0xFF; // the block's second half is not part of the history
    const AlarmHistory h = decodeHistory(block, sizeof block);
    EXPECT_EQ(h[0], 0x10);
    EXPECT_EQ(h[1], 0x21);
    EXPECT_EQ(h[2], 0x14);
    EXPECT_EQ(h[3], 0x00);
    EXPECT_EQ(h[18], 0x63);
    EXPECT_EQ(h[19], 0x80);
}

TEST(AlarmHistoryBlock, AShortBlockDecodesOnlyWhatItHolds)
{
    const std::uint8_t block[3] = {0x21, 0x10, 0x55};
    const AlarmHistory h = decodeHistory(block, sizeof block);
    EXPECT_EQ(h[0], 0x10);
    EXPECT_EQ(h[1], 0x21);
    EXPECT_EQ(h[2], 0);
    EXPECT_EQ(h[3], 0);
}
