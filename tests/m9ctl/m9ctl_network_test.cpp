// m9ctl against drives behind a serial device server: Debian's socat
// (raw TCP) or ser2net (telnet with RFC 2217) bridging a loopback TCP port
// to the virtual drive's pseudo-terminal, started and stopped by each case.
#include "tests/m9ctl/m9ctl_support.h"
#include "tests/m9ctl/network_bridge.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace m9test;

namespace {

constexpr const char *kDriveInfo = "firmware 0132, version A0.27.3, servo off, alarm none\n";

// The file's lines, the values of the status rows (object 0x26xx: live
// measurements such as the DC-link voltage, which move between two reads)
// left out.
std::vector<std::string> settingsOf(const std::string &file)
{
    std::vector<std::string> out = lines(file);
    for (std::string &line : out)
        if (line.rfind("0x26", 0) == 0)
            line = line.substr(0, line.rfind('\t'));
    return out;
}

class M9ctlNetwork : public ::testing::Test {
protected:
    void SetUp() override { dir = temporaryDirectory(); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

} // namespace

TEST_F(M9ctlNetwork, ParamsSaveOverRawTcpGivesTheFileOfTheDirectPort)
{
    auto drive = startDrive();
    const Outcome direct = m9ctl({"--port", drive->devicePath(), "params", "save", "direct.mpa"}, dir);
    ASSERT_EQ(direct.code, 0) << direct.err;

    NetworkBridge bridge(NetworkBridge::Kind::SocatRaw, drive->devicePath(), 19200, dir);
    ASSERT_TRUE(bridge.started());
    const Outcome bridged = m9ctl({"--port", bridge.address(), "params", "save", "bridged.mpa"}, dir);
    ASSERT_EQ(bridged.code, 0) << bridged.err;

    const std::string file = readText(dir + "/direct.mpa");
    EXPECT_NE(file.find("0x2001\t0.\t100\r\n"), std::string::npos);
    EXPECT_EQ(settingsOf(readText(dir + "/bridged.mpa")), settingsOf(file));
    EXPECT_EQ(drive->counters().wrongSpeedChunks, 0);
    drive->stop();
}

TEST_F(M9ctlNetwork, Rfc2217SetsTheRateTheDriveSeesAndCarriesEveryByteValue)
{
    for (const unsigned rate : {38400u, 57600u}) {
        SCOPED_TRACE(rate);
        vq::sim::DriveOptions options;
        options.lineSpeed = rate; // bytes at any other rate go unanswered
        auto drive = startDrive(options);
        // The server opens the line at 9600 until the client sets it.
        NetworkBridge bridge(NetworkBridge::Kind::Ser2netRfc2217, drive->devicePath(), 9600, dir);
        ASSERT_TRUE(bridge.started());
        const std::vector<std::string> link{"--port", bridge.address(), "--baud", std::to_string(rate)};
        auto with = [&link](std::vector<std::string> words) {
            words.insert(words.begin(), link.begin(), link.end());
            return words;
        };

        const Outcome info = m9ctl(with({"info"}), dir);
        EXPECT_EQ(info.code, 0) << info.err;
        EXPECT_EQ(info.out, kDriveInfo);
        // 255 travels as 0x00FF both ways: a data byte the telnet layer
        // must escape going out and take back coming in.
        const Outcome set = m9ctl(with({"params", "set", "0x2001=255"}), dir);
        EXPECT_EQ(set.code, 0) << set.err;
        EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 255);
        const Outcome get = m9ctl(with({"params", "get", "0x2001"}), dir);
        EXPECT_EQ(get.code, 0) << get.err;
        EXPECT_NE(get.out.find("255"), std::string::npos) << get.out;

        const vq::sim::DriveCounters seen = drive->counters();
        EXPECT_EQ(seen.wrongSpeedChunks, 0);
        EXPECT_GT(seen.framesAnswered, 0);
        EXPECT_EQ(seen.framesIgnored, 0);
        drive->stop();
    }
}

TEST_F(M9ctlNetwork, BridgeKilledMidReadEndsTheSaveAsALinkFailure)
{
    auto drive = startDrive();
    drive->setPaced(true); // replies take their wire time: the save lasts long enough to cut
    NetworkBridge bridge(NetworkBridge::Kind::SocatRaw, drive->devicePath(), 19200, dir);
    ASSERT_TRUE(bridge.started());
    auto save = startM9ctl({"--port", bridge.address(), "params", "save", "cut.mpa"}, dir);
    ASSERT_TRUE(eventually([&] { return drive->counters().framesAnswered >= 3; }));
    bridge.kill();

    // The lost connection is a failed read at once, not a quiet line that
    // would be waited out attempt after attempt; the program ends on it.
    const Outcome cut = save->finish();
    EXPECT_EQ(cut.code, 3) << cut.out << cut.err;
    EXPECT_NE(cut.err.find("Status Read Error"), std::string::npos) << cut.err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/cut.mpa"));
    drive->stop();
}
