// The state-variable table, the scattered request built from the ticked
// rows, and the assembly and formats of the values from wire-order bytes.
#include "drive/connection/status_variables.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarvex::status {
namespace {

std::vector<std::uint16_t> addresses(const ScatteredRequest &request)
{
    return {request.addresses, request.addresses + request.byteCount / 2};
}

constexpr std::uint32_t rows(std::initializer_list<int> list)
{
    std::uint32_t mask = 0;
    for (int row : list)
        mask |= 1u << (row - 1);
    return mask;
}

TEST(StatusTable, RowAddressesFollowTheRegisterWidths)
{
    EXPECT_EQ(addressOf(1), 206);
    EXPECT_EQ(addressOf(3), 210);
    EXPECT_EQ(addressOf(6), 222);
    EXPECT_EQ(addressOf(7), 226);
    EXPECT_EQ(addressOf(14), 240);
    EXPECT_EQ(addressOf(15), 244);
    EXPECT_EQ(addressOf(16), 246);
    EXPECT_EQ(addressOf(17), 250);
    EXPECT_EQ(addressOf(24), 264);
    EXPECT_EQ(addressOf(25), 268);
    EXPECT_EQ(addressOf(26), 272);
    EXPECT_STREQ(variables()[16].unit, "\u2103");
    EXPECT_STREQ(variables()[25].name, "OS Version");
}

TEST(StatusRequest, TwoTickedRowsAskForTheirRegistersOnly)
{
    const ScatteredRequest request = buildRequest(rows({1, 3}));
    EXPECT_EQ(request.byteCount, 6);
    EXPECT_EQ(addresses(request), (std::vector<std::uint16_t>{206, 210, 212}));
}

TEST(StatusRequest, EveryRowTickedAsksFor34Registers)
{
    const ScatteredRequest request = buildRequest(kAllRows);
    EXPECT_EQ(request.byteCount, 68);
    const auto all = addresses(request);
    ASSERT_EQ(all.size(), 34u);
    EXPECT_EQ(all.front(), 206);
    EXPECT_EQ(all.back(), 272);
    for (std::size_t i = 1; i < all.size(); ++i)
        EXPECT_EQ(all[i], all[i - 1] + 2) << "the block is contiguous";
}

TEST(StatusRequest, NothingTickedAsksForNothing)
{
    EXPECT_EQ(buildRequest(0).byteCount, 0);
    // Bits beyond row 26 are not rows.
    EXPECT_EQ(buildRequest(~kAllRows).byteCount, 0);
}

TEST(StatusRequest, UntickedRowsStillAdvanceTheAddress)
{
    EXPECT_EQ(addresses(buildRequest(rows({26}))), (std::vector<std::uint16_t>{272}));
    EXPECT_EQ(addresses(buildRequest(rows({6, 17}))), (std::vector<std::uint16_t>{222, 224, 250}));
}

TEST(StatusValues, SixteenBitValuesAreSigned)
{
    const std::uint8_t speed[] = {0xFF, 0x9C};
    EXPECT_EQ(formatValue(1, speed, ""), "-100");
    const std::uint8_t extreme[] = {0x80, 0x00};
    EXPECT_EQ(formatValue(1, extreme, ""), "-32768");
    const std::uint8_t largest[] = {0x7F, 0xFF};
    EXPECT_EQ(formatValue(18, largest, ""), "32767");
}

TEST(StatusValues, ThirtyTwoBitValuesTakeTheLowRegisterFirst)
{
    const std::uint8_t pulses[] = {0x86, 0xA0, 0x00, 0x01};
    EXPECT_EQ(assemble32(pulses), 100000);
    EXPECT_EQ(formatValue(3, pulses, ""), "100000");
    const std::uint8_t minusOne[] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(formatValue(5, minusOne, ""), "-1");
    const std::uint8_t lowest[] = {0x00, 0x00, 0x80, 0x00};
    EXPECT_EQ(formatValue(16, lowest, ""), "-2147483648");
}

TEST(StatusValues, ScaledValuesKeepTheirDecimals)
{
    const std::uint8_t voltage[] = {0x00, 0x64};
    EXPECT_EQ(formatValue(12, voltage, ""), "10.0");
    const std::uint8_t current[] = {0x01, 0x2C};
    EXPECT_EQ(formatValue(20, current, ""), "3.00");
    const std::uint8_t negativeTenth[] = {0xFF, 0xFF};
    EXPECT_EQ(formatValue(7, negativeTenth, ""), "-0.1");
    EXPECT_EQ(formatValue(20, negativeTenth, ""), "-0.01");
    const std::uint8_t zero[] = {0x00, 0x00};
    EXPECT_EQ(formatValue(23, zero, ""), "0.0");
}

TEST(StatusValues, InputFrequencyShowsItsLowRegisterOnly)
{
    const std::uint8_t frequency[] = {0x01, 0xF4, 0x7F, 0xFF}; // high register ignored
    EXPECT_EQ(formatValue(6, frequency, ""), "50.0");
}

TEST(StatusValues, OsVersionShowsTheVersionText)
{
    const std::uint8_t bytes[] = {0x12, 0x34};
    EXPECT_EQ(formatValue(26, bytes, "0132"), "0132");
    EXPECT_EQ(formatValue(27, bytes, ""), "") << "no row 27";
}

TEST(StatusReply, TickedRowsTakeTheirBytesInRequestOrder)
{
    const std::uint8_t reply[] = {0xFF, 0x9C, 0x86, 0xA0, 0x00, 0x01};
    std::vector<RowText> shown;
    const int used = decodeReply(rows({1, 3}), reply, 6, "", [&](RowText t) { shown.push_back(t); });
    EXPECT_EQ(used, 6);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].row, 1);
    EXPECT_EQ(shown[0].text, "-100");
    EXPECT_EQ(shown[1].row, 3);
    EXPECT_EQ(shown[1].text, "100000");
}

TEST(StatusReply, AShortReplyShowsOnlyTheRowsItCovers)
{
    const std::uint8_t reply[] = {0x00, 0x01, 0x00};
    std::vector<int> shownRows;
    decodeReply(rows({1, 3}), reply, 3, "", [&](RowText t) { shownRows.push_back(t.row); });
    EXPECT_EQ(shownRows, std::vector<int>{1});
}

TEST(InputOutputBits, BitsCountFromTheLeastSignificant)
{
    const std::uint8_t block[] = {0x00, 0x05, 0xAA, 0xAA, 0x00, 0x42};
    const std::vector<bool> inputs{inputOn(block, 1), inputOn(block, 2), inputOn(block, 3),
                                   inputOn(block, 4), inputOn(block, 5), inputOn(block, 6)};
    EXPECT_EQ(inputs, (std::vector<bool>{true, false, true, false, false, false})); // POT, HOME
    std::vector<int> lit;
    for (int row = 1; row <= kOutputCount; ++row)
        if (outputOn(block, row))
            lit.push_back(row);
    EXPECT_EQ(lit, (std::vector<int>{2, 7})); // RDY, WARN
    const std::uint8_t high[] = {0x01, 0x00};
    EXPECT_TRUE(registerBit(high, 8));
}

} // namespace
} // namespace tarvex::status
