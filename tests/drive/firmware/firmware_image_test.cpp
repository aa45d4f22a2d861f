// Reading Intel HEX files into the controller image, the reset-jump overlay
// and the row formatting, byte for byte.
#include "drive/firmware/download_progress.h"
#include "drive/firmware/firmware_image.h"
#include "tests/drive/firmware/hex_writer.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace hextest;
using upgrader::FirmwareImage;
using upgrader::HexResult;

namespace {

HexResult readText(FirmwareImage &image, const std::string &text)
{
    std::istringstream in(text);
    return image.read(in);
}

int nonEmptyProgramRows(const FirmwareImage &image)
{
    int n = 0;
    for (int i = 0; i < FirmwareImage::kProgramRows; ++i)
        n += image.row(i).empty ? 0 : 1;
    return n;
}

} // namespace

TEST(HexReading, DataWordsLandAtTheirWordAddresses)
{
    FirmwareImage image;
    ASSERT_EQ(readText(image, file({data(0x0000, {0x00, 0x02, 0x04, 0x00}), endOfFile()})), HexResult::Ok);
    EXPECT_EQ(image.row(0).data[0], 0x0002);
    EXPECT_EQ(image.row(0).data[1], 0x0400);
    EXPECT_EQ(image.row(0).data[2], 0xFFFF);
    EXPECT_FALSE(image.row(0).empty);
    image.formatRows();
    EXPECT_EQ(image.row(0).transmit[0], 0x00);
    EXPECT_EQ(image.row(0).transmit[1], 0x02);
    EXPECT_EQ(image.row(0).transmit[2], 0x04);
    EXPECT_EQ(image.row(0).transmit[3], 0xFF); // an instruction the file does not set
    EXPECT_EQ(image.row(0).transmit[5], 0xFF);
}

TEST(HexReading, ExtendedLinearAddressShiftsBySixteenBits)
{
    FirmwareImage image;
    ASSERT_EQ(readText(image, file({extendedLinear(0x0001), data(0x0000, instruction(0x123456)),
                                    extendedLinear(0x0000), data(0x0010, instruction(0xABCDEF))})),
              HexResult::Ok);
    // 0x10000 bytes = word 0x8000, the first word of program row 32.
    const auto &row32 = image.row(32);
    EXPECT_EQ(row32.startAddress, 0x8000u);
    EXPECT_EQ(row32.data[0], 0x5634);
    EXPECT_EQ(row32.data[1], 0x1200);
    EXPECT_EQ(image.row(0).data[8], 0xEFCD);
    image.formatRows();
    EXPECT_EQ((std::vector<std::uint8_t>(row32.transmit.begin(), row32.transmit.begin() + 3)),
              (std::vector<std::uint8_t>{0x56, 0x34, 0x12}));
    EXPECT_EQ(nonEmptyProgramRows(image), 2);
}

TEST(HexReading, EepromAndConfigurationRecordsAreAcceptedButKeptApart)
{
    FirmwareImage image;
    // EEPROM word 0x7FF000 is byte address 0xFFE000; configuration word
    // 0xF80000 is byte address 0x1F00000.
    ASSERT_EQ(readText(image, file({extendedLinear(0x00FF), data(0xE000, {0x11, 0x22, 0x33, 0x44}),
                                    extendedLinear(0x01F0), data(0x0000, {0xAA, 0xBB, 0xCC, 0xDD})})),
              HexResult::Ok);
    const auto &eeprom = image.row(FirmwareImage::kProgramRows);
    EXPECT_FALSE(eeprom.empty);
    EXPECT_EQ(eeprom.data[0], 0x1122);
    const auto &config = image.row(FirmwareImage::kProgramRows + FirmwareImage::kEepromRows);
    EXPECT_FALSE(config.empty);
    EXPECT_EQ(config.data[1], 0xCCDD);
    image.formatRows();
    EXPECT_EQ(config.transmit, (std::vector<std::uint8_t>{0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(eeprom.transmit[0], 0x11);
    EXPECT_EQ(eeprom.transmit[1], 0x22);
    EXPECT_EQ(nonEmptyProgramRows(image), 0);
}

TEST(HexReading, WordsOutsideEveryRowMakeABadFile)
{
    FirmwareImage image;
    // Byte address 0x300000 is word 0x180000, just past program memory.
    EXPECT_EQ(readText(image, file({extendedLinear(0x0030), data(0x0000, {1, 2, 3, 4})})), HexResult::BadHexFile);
    FirmwareImage gap;
    EXPECT_EQ(readText(gap, file({extendedLinear(0x0080), data(0x0000, {1, 2, 3, 4})})), HexResult::BadHexFile);
}

TEST(HexReading, OtherRecordTypesAreRefused)
{
    FirmwareImage segment;
    EXPECT_EQ(readText(segment, file({record(2, 0, {0x10, 0x00})})), HexResult::UnknownRecordType);
    FirmwareImage start;
    EXPECT_EQ(readText(start, file({data(0, {1, 2, 3, 4}), record(5, 0, {0, 0, 0, 0})})),
              HexResult::UnknownRecordType);
}

TEST(HexReading, DoubtfulRecordsRefuseTheWholeFile)
{
    std::string badChecksum = data(0x0000, {0x00, 0x02, 0x04, 0x00});
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    const std::string tooShortData = ":0400000000020400"; // count says 4, one byte missing
    const std::string longLine = ":" + std::string(5000, '0');
    for (const std::string &bad :
         {badChecksum, tooShortData, std::string("0400000000020400F6"), std::string(":04000000000G0400F6"),
          data(0x0000, {1, 2, 3}), longLine, std::string(":00")}) {
        FirmwareImage image;
        EXPECT_EQ(readText(image, file({data(0x0100, {9, 9, 9, 0}), bad, endOfFile()})), HexResult::BadHexFile)
            << bad.substr(0, 40);
        EXPECT_EQ(image.failedLine(), 2);
    }
}

TEST(HexReading, LinesAfterTheEndRecordAndBlankLinesAreRead)
{
    FirmwareImage image;
    ASSERT_EQ(readText(image, file({endOfFile(), "", data(0x1800, instruction(0x0A0B0C)), "   "})), HexResult::Ok);
    // Byte 0x1800 is word 0xC00 = row 3.
    EXPECT_FALSE(image.row(3).empty);
    EXPECT_EQ(FirmwareImage::rowHeader(image.row(3)), (std::array<std::uint8_t, 4>{0x03, 0x00, 0x0C, 0x00}));
}

TEST(HexReading, AnEmptyFileLeavesOnlyTheResetJump)
{
    FirmwareImage image;
    ASSERT_EQ(readText(image, ""), HexResult::Ok);
    EXPECT_EQ(nonEmptyProgramRows(image), 0);
    const std::uint8_t readBack[6] = {0x04, 0x12, 0x34, 0x00, 0x56, 0x78};
    image.overlayResetJump(readBack);
    image.formatRows();
    EXPECT_EQ(nonEmptyProgramRows(image), 1);
    // The controller's own first instructions: b2 b1 04, then b5 b4 b3.
    EXPECT_EQ((std::vector<std::uint8_t>(image.row(0).transmit.begin(), image.row(0).transmit.begin() + 6)),
              (std::vector<std::uint8_t>{0x34, 0x12, 0x04, 0x78, 0x56, 0x00}));
    EXPECT_EQ(image.row(0).transmit[6], 0xFF);
}

TEST(HexReading, ResetJumpReplacesWhatTheFilePutAtZero)
{
    FirmwareImage image;
    ASSERT_EQ(readText(image, file({data(0x0000, {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0})})), HexResult::Ok);
    const std::uint8_t readBack[6] = {0x04, 0x00, 0x02, 0x00, 0x00, 0x00};
    image.overlayResetJump(readBack);
    image.formatRows();
    const auto &t = image.row(0).transmit;
    EXPECT_EQ((std::vector<std::uint8_t>(t.begin(), t.begin() + 9)),
              (std::vector<std::uint8_t>{0x02, 0x00, 0x04, 0x00, 0x00, 0x00, 0x07, 0x08, 0x09}));
}

TEST(HexReading, ComputedRowLookupAgreesWithASearchFromRowZero)
{
    FirmwareImage image;
    auto searched = [&](std::uint32_t address) {
        for (int i = 0; i < FirmwareImage::kRows; ++i)
            if (image.row(i).accepts(address))
                return i;
        return -1;
    };
    for (int i = 0; i < FirmwareImage::kRows; ++i) {
        const auto &row = image.row(i);
        for (std::uint32_t a : {row.startAddress, row.startAddress + row.span() - 1, row.startAddress + row.span()})
            ASSERT_EQ(FirmwareImage::rowIndexFor(a), searched(a)) << a;
        if (i > 0) {
            ASSERT_EQ(FirmwareImage::rowIndexFor(row.startAddress - 1), searched(row.startAddress - 1));
        }
    }
    EXPECT_EQ(FirmwareImage::rowIndexFor(0xFFFFFF), -1);
}

TEST(DownloadProgress, ClimbsQuicklyThenCreepsAndStaysBelowAHundred)
{
    double value = 0.0;
    double previous = 0.0;
    value = upgrader::progressAfterRow(0, value);
    EXPECT_DOUBLE_EQ(value, 0.0);
    value = upgrader::progressAfterRow(10, value);
    EXPECT_DOUBLE_EQ(value, 55.0 / 1536.0 * 100.0);
    for (int row = 11; row < 1536; ++row) {
        previous = value;
        value = upgrader::progressAfterRow(row, value);
        if (previous > 70.0) {
            ASSERT_GE(value, previous);
        }
    }
    EXPECT_GT(value, 97.0);
    EXPECT_LT(value, 100.0); // 100 only once the controller was told to reset
}
