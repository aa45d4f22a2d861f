// The boot loader driven with raw bytes over the pseudo-terminal, as the
// firmware upgrader drives it: entry by a boot request at the drive's line
// speed, the handshake and every command at 115200 baud, rows stored byte
// for byte, faults on demand, and the reset back into Modbus.
#include "tests/simulator/sim_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace vq::simtest;

namespace {

std::vector<std::uint8_t> rowWrite(std::uint32_t wordAddress, const std::vector<std::uint8_t> &data)
{
    std::vector<std::uint8_t> out(4 + data.size());
    out[0] = 0x03;
    out[1] = static_cast<std::uint8_t>(wordAddress & 0xFF);
    out[2] = static_cast<std::uint8_t>((wordAddress >> 8) & 0xFF);
    out[3] = static_cast<std::uint8_t>((wordAddress >> 16) & 0xFF);
    std::copy(data.begin(), data.end(), out.begin() + 4);
    return out;
}

std::vector<std::uint8_t> randomRow(unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> row(1536);
    for (auto &b : row)
        b = static_cast<std::uint8_t>(generator());
    return row;
}

class BootLoaderLine : public ::testing::Test {
protected:
    std::unique_ptr<vq::sim::VirtualDrive> drive = startDrive();
    RawLine line{drive->devicePath(), 19200};

    // Boot request at the drive's line speed, then the handshake at 115200.
    void enterBootLoader()
    {
        line.send(withCrc({0x00, 0x65}));
        const auto accepted = line.receive(4, 500);
        ASSERT_GE(accepted.size(), 2u);
        EXPECT_EQ(accepted[1], 0x65);
        ASSERT_TRUE(drive->inBootLoader());
        line.setBaud(115200);
        line.send({0x00, 0x00, 0x00});
        EXPECT_EQ(line.receive(1, 500), std::vector<std::uint8_t>{0x0A});
        line.send({0x01});
    }
};

} // namespace

TEST_F(BootLoaderLine, ReadsBackTheResetJumpAndStoresRowsByteExact)
{
    enterBootLoader();
    line.send({0x0B});
    EXPECT_EQ(line.receive(1, 500), std::vector<std::uint8_t>{0x01});

    line.send({0x02, 0x00, 0x00, 0x00});
    const auto program = line.receive(1536, 1000);
    ASSERT_EQ(program.size(), 1536u);
    EXPECT_EQ(program[0], 0x04); // goto, most significant byte first
    EXPECT_EQ(program[3 * 5], 0xFF); // erased flash beyond the jump

    const auto row0 = randomRow(1);
    const auto row3 = randomRow(2);
    line.send(rowWrite(0, row0));
    EXPECT_EQ(line.receive(1, 1000), std::vector<std::uint8_t>{0x01});
    line.send(rowWrite(3072, row3)); // row 3: address bytes 00 0C 00
    EXPECT_EQ(line.receive(1, 1000), std::vector<std::uint8_t>{0x01});

    const auto rows = drive->programRowsWritten();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.at(0), row0);
    EXPECT_EQ(rows.at(3072), row3);
    // Row bytes are low, high, upper per instruction; the read-back gives
    // them most significant first.
    EXPECT_EQ(drive->programInstruction(3072), static_cast<std::uint32_t>(row3[0] | (row3[1] << 8) | (row3[2] << 16)));
    line.send({0x02, 0x00, 0x0C, 0x00});
    const auto again = line.receive(1536, 1000);
    ASSERT_EQ(again.size(), 1536u);
    EXPECT_EQ(again[0], row3[2]);
    EXPECT_EQ(again[1], row3[1]);
    EXPECT_EQ(again[2], row3[0]);

    line.send({0x08}); // reset into the normal firmware
    sleepMs(50);
    EXPECT_FALSE(drive->inBootLoader());
    EXPECT_EQ(drive->bootResets(), 1);
    line.setBaud(19200);
    line.send(withCrc({0x00, 0x03, 0x00, 0x3E, 0x00, 0x01}));
    EXPECT_EQ(line.receive(7, 500).size(), 7u);
    EXPECT_EQ(drive->programRowsWritten().size(), 2u) << "the program stays what it was given";
}

TEST_F(BootLoaderLine, FaultsActOnceAndTheDownloadRecovers)
{
    enterBootLoader();
    drive->bootCorruptNextReadBack();
    line.send({0x02, 0x00, 0x00, 0x00});
    auto program = line.receive(1536, 1000);
    ASSERT_EQ(program.size(), 1536u);
    EXPECT_NE(program[0], 0x04);
    line.send({0x00}); // refuse it and ask again
    line.send({0x02, 0x00, 0x00, 0x00});
    program = line.receive(1536, 1000);
    ASSERT_EQ(program.size(), 1536u);
    EXPECT_EQ(program[0], 0x04);

    drive->bootRejectNextRow();
    const auto row = randomRow(7);
    line.send(rowWrite(1024, row));
    EXPECT_EQ(line.receive(1, 1000), std::vector<std::uint8_t>{0x00});
    EXPECT_TRUE(drive->programRowsWritten().empty());
    line.send(rowWrite(1024, row));
    EXPECT_EQ(line.receive(1, 1000), std::vector<std::uint8_t>{0x01});
    EXPECT_EQ(drive->programRowsWritten().at(1024), row);

    drive->setBootSilent(true);
    line.send({0x0B});
    EXPECT_TRUE(line.receive(1, 200).empty());
    drive->setBootSilent(false);
    line.send({0x0B});
    EXPECT_EQ(line.receive(1, 500), std::vector<std::uint8_t>{0x01});
}

TEST_F(BootLoaderLine, ListensOnlyAtItsOwnSpeedAndForgetsACommandCutShort)
{
    line.setBaud(9600);
    line.send(withCrc({0x00, 0x65})); // the upgrader's probe at a rate the drive does not run
    EXPECT_TRUE(line.receive(4, 200).empty());
    EXPECT_FALSE(drive->inBootLoader());
    line.setBaud(19200);
    enterBootLoader();
    line.setBaud(19200);
    line.send({0x0B});
    EXPECT_TRUE(line.receive(1, 200).empty()) << "the boot loader listens at 115200 only";
    line.setBaud(115200);
    line.send({0x03, 0x00, 0x00, 0x00, 0x12, 0x34}); // a row write cut short
    sleepMs(120);
    line.send({0x0B});
    EXPECT_EQ(line.receive(1, 500), std::vector<std::uint8_t>{0x01});
    EXPECT_TRUE(drive->programRowsWritten().empty());
}
