// The drive's registers as the main program sees them through the link
// library: identity, the state variable block, inputs and outputs,
// parameter defaults from the catalogue, the parameter lock and the
// exceptions for addresses the drive does not have.
#include "tests/simulator/sim_test_support.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vq::simtest;

namespace {

// Rows of the status display, in order: 16-bit or 32-bit.
const bool kWideRows[26] = {false, false, true,  true,  true,  true,  false, false, false,
                            false, false, false, false, true,  false, true,  false, false,
                            false, false, false, false, false, true,  true,  false};

struct StatusValues {
    std::vector<std::int32_t> rows;
    std::uint8_t status = 1;
};

// Reads all 26 state variables in one scattered read and assembles them as
// the status display does: a 32-bit row from its two registers, low first.
StatusValues readStatusBlock(LinkSession &link)
{
    std::vector<std::uint16_t> addresses;
    std::uint16_t address = 206;
    for (bool wide : kWideRows) {
        addresses.push_back(address);
        if (wide)
            addresses.push_back(static_cast<std::uint16_t>(address + 2));
        address = static_cast<std::uint16_t>(address + (wide ? 4 : 2));
    }
    StatusValues out;
    const Words w = link.scattered(addresses);
    out.status = w.status;
    if (w.values.size() != addresses.size())
        return out;
    std::size_t i = 0;
    for (bool wide : kWideRows) {
        if (wide) {
            out.rows.push_back(static_cast<std::int32_t>((static_cast<std::uint32_t>(w.values[i + 1]) << 16) |
                                                         w.values[i]));
            i += 2;
        } else {
            out.rows.push_back(static_cast<std::int16_t>(w.values[i]));
            i += 1;
        }
    }
    return out;
}

class DriveRegisters : public ::testing::Test {
protected:
    std::unique_ptr<vq::sim::VirtualDrive> drive = startDrive();
    LinkSession link{drive->devicePath()};
};

} // namespace

TEST_F(DriveRegisters, TellsVersionFirmwareTextAndPresence)
{
    ASSERT_TRUE(link.connected());
    const Words version = link.readSingle(62);
    ASSERT_EQ(version.status, 0);
    EXPECT_EQ(version.values[0], (27u << 5) | 3u); // "A", 0.27, sub-version 3

    vq::sim::DriveIdentity b;
    b.variantB = true;
    b.versionHundredths = 9;
    b.subVersion = 3;
    drive->setIdentity(b);
    EXPECT_EQ(link.readSingle(62).values[0], 0x8123); // shows as B0.09.3

    // Two characters per register, the first in the low byte.
    const Words text = link.read(4174, 2);
    ASSERT_EQ(text.status, 0);
    std::string shown;
    for (std::uint16_t v : text.values) {
        shown += static_cast<char>(v & 0xFF);
        shown += static_cast<char>(v >> 8);
    }
    EXPECT_EQ(shown, "0132");
    EXPECT_EQ(link.readSingle(78).status, 0);
}

TEST_F(DriveRegisters, StateBlockFollowsTheMotorDuringAJog)
{
    StatusValues idle = readStatusBlock(link);
    ASSERT_EQ(idle.status, 0);
    ASSERT_EQ(idle.rows.size(), 26u);
    EXPECT_EQ(idle.rows[0], 0);               // current speed
    EXPECT_NEAR(idle.rows[11], 3105, 10);     // DC-link voltage in 0.1 V
    EXPECT_EQ(idle.rows[17], 3000);           // rated speed
    EXPECT_EQ(idle.rows[25], 132);            // OS version, the firmware number

    ASSERT_EQ(link.write(158, 1000), 0);
    ASSERT_EQ(link.write(4182, 1), 0); // servo on
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0x2);
    ASSERT_EQ(link.write(4182, 2), 0); // forward jog
    sleepMs(400);
    const StatusValues running = readStatusBlock(link);
    ASSERT_EQ(running.status, 0);
    EXPECT_NEAR(running.rows[0], 1000, 5); // current speed
    EXPECT_EQ(running.rows[1], 1000);      // command speed
    EXPECT_GT(running.rows[2], 131072);    // feedback pulses: more than a turn
    EXPECT_GT(running.rows[4], 0);         // following error while moving forward
    EXPECT_GE(running.rows[13], 0);        // single-turn data within one turn
    EXPECT_LT(running.rows[13], 131072);
    EXPECT_GE(running.rows[15], 1);        // multi-turn data
    EXPECT_NEAR(running.rows[11], 3105, 20);

    const Words io = link.read(4160, 3);
    ASSERT_EQ(io.status, 0);
    const std::uint16_t outputs = io.values[2];
    EXPECT_EQ(outputs & 0x01, 0);  // no ALM
    EXPECT_NE(outputs & 0x02, 0);  // RDY
    EXPECT_EQ(outputs & 0x04, 0);  // not at zero speed
    EXPECT_NE(outputs & 0x08, 0);  // brake released
    EXPECT_NE(outputs & 0x20, 0);  // in speed

    ASSERT_EQ(link.write(4182, 4), 0); // reverse
    sleepMs(500);
    EXPECT_NEAR(static_cast<std::int16_t>(link.readSingle(206).values[0]), -1000, 5);
    ASSERT_EQ(link.write(4182, 1), 0); // stop, servo stays on
    sleepMs(400);
    EXPECT_EQ(static_cast<std::int16_t>(link.readSingle(206).values[0]), 0);
    EXPECT_NE(link.readSingle(4164).values[0] & 0x04, 0); // zero speed
    EXPECT_NE(link.readSingle(4164).values[0] & 0x10, 0); // in position
    ASSERT_EQ(link.write(4182, 6), 0); // servo off
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0);
}

TEST_F(DriveRegisters, TheStatusGroupTellsWhatTheStateBlockTells)
{
    ASSERT_EQ(link.write(158, 1000), 0);
    ASSERT_EQ(link.write(4182, 1), 0); // servo on
    ASSERT_EQ(link.write(4182, 2), 0); // forward jog
    sleepMs(400);
    const Words group = link.read(2, 36);
    ASSERT_EQ(group.status, 0);
    const auto at = [&](int address) { return group.values[static_cast<std::size_t>((address - 2) / 2)]; };
    EXPECT_NEAR(static_cast<std::int16_t>(at(2)), 1000, 5) << "current speed";
    EXPECT_EQ(at(4), 1000) << "command speed";
    EXPECT_GT(at(8) * 65536 + at(6), 131072) << "feedback pulses: more than a turn";
    EXPECT_NEAR(at(36), 3105, 20) << "DC link in 0.1 V, as at 236";
    EXPECT_EQ(at(46), 3000);
    EXPECT_EQ(at(48), 5000);
    EXPECT_EQ(at(50), 280);
    EXPECT_EQ(at(58) & 0x2, 0x2) << "servo on";
    EXPECT_EQ(at(60), 0) << "no alarm";
    EXPECT_NE(at(62), 0) << "the version";

    drive->raiseAlarm(0x14);
    sleepMs(50);
    EXPECT_EQ(link.readSingle(60).values[0], 0x14) << "the active alarm's code";
    EXPECT_EQ(link.readSingle(58).values[0] & 0x4, 0x4) << "the alarm bit of the state";
}

TEST_F(DriveRegisters, JogCommandsDoNothingWhileTheServoIsOff)
{
    ASSERT_EQ(link.write(4182, 2), 0);
    sleepMs(200);
    EXPECT_EQ(link.readSingle(206).values[0], 0);
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0);
}

TEST_F(DriveRegisters, InputWordShowsTheInputBits)
{
    drive->setInputs(0x0005); // POT and HOME
    const Words io = link.read(4160, 3);
    ASSERT_EQ(io.status, 0);
    EXPECT_EQ(io.values[0], 0x0005);
}

TEST_F(DriveRegisters, UnknownAddressesAnswerExceptionTwo)
{
    EXPECT_EQ(link.readSingle(76).status, 2);
    EXPECT_EQ(link.readSingle(207).status, 2); // odd address
    EXPECT_EQ(link.read(272, 3).status, 2);    // 272, 274 exist, 276 does not
    EXPECT_EQ(link.write(4186, 1), 2);
    EXPECT_EQ(link.writeBlock(4180, {0, 0, 0}), 2); // 4180 does not exist
    // The link takes the 5-byte exception reply to a scattered read as too
    // short; the raw reply is checked in the line tests.
    EXPECT_EQ(link.scattered({206, 76}).status, 9);
    // A refused block leaves every register of it untouched.
    EXPECT_EQ(link.writeBlock(4182, {1, 0, 0}), 2);
    EXPECT_EQ(link.readSingle(0).values[0] & 0x2, 0);
}

TEST_F(DriveRegisters, ParametersStartAtTheCatalogueDefaults)
{
    const Words system = link.read(100, 6);
    ASSERT_EQ(system.status, 0);
    EXPECT_EQ(system.values[0], 0x00A5);   // hexadecimal text
    EXPECT_EQ(system.values[1], 5);        // binary digits 0101
    EXPECT_EQ(system.values[2], 0x86A0);   // 100000, low word first
    EXPECT_EQ(system.values[3], 0x0001);
    EXPECT_EQ(system.values[4], 0xFFEC);   // -20
    EXPECT_EQ(system.values[5], 1500);
    EXPECT_EQ(link.readSingle(82).values[0], 250);
    EXPECT_EQ(link.read(158, 11).values[0], 700);
    // Every catalogue address is writable, singly and as a block.
    EXPECT_EQ(link.write(110, 1234), 0);
    EXPECT_EQ(link.writeBlock(100, {1, 2, 3, 4, 5, 6}), 0);
    EXPECT_EQ(link.read(100, 6).values, (std::vector<std::uint16_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(DriveRegisters, LockedParametersAnswerExceptionSix)
{
    ASSERT_EQ(link.write(442, 2), 0);
    EXPECT_TRUE(drive->parameterLocked());
    EXPECT_EQ(link.write(110, 1), 6);
    EXPECT_EQ(link.writeBlock(158, {100, 200}), 6);
    EXPECT_EQ(link.readSingle(110).values[0], 1500); // unchanged
    // Commands are no parameters: they still work.
    EXPECT_EQ(link.write(4182, 1), 0);
    EXPECT_EQ(link.write(4182, 6), 0);
    ASSERT_EQ(link.write(442, 1), 0);
    EXPECT_EQ(link.write(110, 1), 0);
    EXPECT_EQ(link.readSingle(110).values[0], 1);
}

// Three drives on one line: each answers only requests that name it, from
// registers of its own, and only the first may start the line's boot loader.
TEST(SharedLine, EachNodeAnswersFromItsOwnRegistersAndOnlyTheFirstStartsTheBootLoader)
{
    vq::sim::DriveOptions options;
    options.node = 1;
    options.otherNodes = {2, 3};
    vq::sim::VirtualDrive line(options, loadFixture());
    std::string error;
    ASSERT_TRUE(line.start(error)) << error;
    constexpr std::uint16_t kInertiaRatio = 82;
    {
        LinkSession two(line.devicePath(), 2);
        ASSERT_TRUE(two.connected());
        EXPECT_EQ(two.write(kInertiaRatio, 222), 0);
    }
    EXPECT_EQ(line.registerValueAt(2, kInertiaRatio), 222);
    EXPECT_NE(line.registerValueAt(1, kInertiaRatio), 222);
    EXPECT_NE(line.registerValueAt(3, kInertiaRatio), 222);
    EXPECT_FALSE(line.registerValueAt(4, kInertiaRatio).has_value());
    {
        LinkSession four(line.devicePath(), 4);
        EXPECT_EQ(four.readSingle(0, 0).status, VQ_STATUS_NO_REPLY);
    }

    RawLine raw(line.devicePath(), 19200);
    ASSERT_TRUE(raw.isOpen());
    raw.send(withCrc({2, 0x65}));
    EXPECT_TRUE(raw.receive(4, 300).empty());
    EXPECT_FALSE(line.inBootLoader());
    raw.send(withCrc({1, 0x65}));
    EXPECT_EQ(raw.receive(4, 5000), withCrc({1, 0x65}));
    EXPECT_TRUE(line.inBootLoader());
    line.stop();
}
