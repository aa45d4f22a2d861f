// Firmware downloads that go wrong: a download cut short in each way a
// line or an operator can cut it, brought back by m9ctl alone, and HEX
// files that are not a whole firmware, refused before the drive is touched.
// What the drive holds is read from its own program memory.
#include "tests/m9ctl/m9ctl_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

using namespace m9test;

namespace {

constexpr std::size_t kImageRows = 64;

// The factory reset jump (goto 0x000200) in row 0 and one instruction at
// the start of every one of 64 program rows: a download long enough to be
// cut in the middle.
std::string manyRowImage()
{
    std::string text = hexRecord(0, 0x0000, {0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00});
    std::uint32_t upper = 0;
    for (std::uint32_t row = 1; row < kImageRows; ++row) {
        const std::uint32_t address = row * 0x800; // 1,024 words of two bytes a row
        if (address >> 16 != upper) {
            upper = address >> 16;
            text += hexRecord(4, 0, {0x00, static_cast<std::uint8_t>(upper)});
        }
        text += hexRecord(0, static_cast<std::uint16_t>(address & 0xFFFF),
                          {static_cast<std::uint8_t>(row), 0xA5, 0x01, 0x00});
    }
    return text + hexRecord(1, 0, {});
}

struct Interruption {
    const char *name;
    std::function<void(vq::sim::VirtualDrive &, pid_t)> cut;  // while rows are being written
    std::function<void(vq::sim::VirtualDrive &)> mend;        // once m9ctl has ended
};

const Interruption kInterruptions[] = {
    {"BootLoaderFallsSilent", [](vq::sim::VirtualDrive &d, pid_t) { d.setBootSilent(true); },
     [](vq::sim::VirtualDrive &d) { d.setBootSilent(false); }},
    {"CtrlC", [](vq::sim::VirtualDrive &, pid_t p) { ::kill(p, SIGINT); }, [](vq::sim::VirtualDrive &) {}},
    {"Terminated", [](vq::sim::VirtualDrive &, pid_t p) { ::kill(p, SIGTERM); }, [](vq::sim::VirtualDrive &) {}},
    {"Killed", [](vq::sim::VirtualDrive &, pid_t p) { ::kill(p, SIGKILL); }, [](vq::sim::VirtualDrive &) {}},
    {"LineLost", [](vq::sim::VirtualDrive &d, pid_t) { d.setSilent(true); },
     [](vq::sim::VirtualDrive &d) { d.setSilent(false); }},
};

// gtest names the case by it instead of printing the object's bytes.
void PrintTo(const Interruption &way, std::ostream *out) { *out << way.name; }

class M9ctlFlash : public DriveTest {};
class M9ctlFlashInterrupted : public DriveTest, public ::testing::WithParamInterface<Interruption> {};

} // namespace

TEST_P(M9ctlFlashInterrupted, FlashAloneDownloadsAgainIntoTheWaitingBootLoader)
{
    writeText(dir + "/firmware.hex", manyRowImage());
    // The set-up the download will lose: the new firmware starts from the
    // factory's values.
    writeRegister(device, kInertiaRatioAddress, 250);
    drive->setDefaultsAfterDownload(true);
    {
        auto run = startCtl({"flash", "firmware.hex", "--yes"});
        ASSERT_TRUE(eventually([&] { return drive->programRowsWritten().size() >= 2; }));
        GetParam().cut(*drive, run->pid());
        EXPECT_NE(run->finish().code, 0);
        GetParam().mend(*drive);
    }
    ASSERT_TRUE(drive->inBootLoader());
    ASSERT_LT(drive->programRowsWritten().size(), kImageRows) << "the download was not cut short";

    const Outcome info = ctl({"info"});
    EXPECT_EQ(info.code, 3);
    EXPECT_NE(info.err.find(device + ": the drive is in its boot loader"), std::string::npos) << info.err;
    EXPECT_NE(info.err.find("m9ctl flash"), std::string::npos) << info.err;
    EXPECT_EQ(info.err.find("Check PORT"), std::string::npos) << info.err;

    const Outcome again = ctl({"flash", "firmware.hex", "--yes"});
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_NE(again.err.find("answered in its boot loader"), std::string::npos) << again.err;
    EXPECT_NE(again.err.find("the download starts again"), std::string::npos) << again.err;
    const auto held = hexBytes(drive->programMemoryHex());
    ASSERT_FALSE(held.empty());
    EXPECT_EQ(held, hexBytes(manyRowImage()));
    EXPECT_EQ(ctl({"info"}).code, 0) << "the drive runs its firmware again";

    // The snapshot kept before the first attempt puts the set-up back.
    ASSERT_NE(drive->registerValue(kInertiaRatioAddress), 250);
    const std::string named = "m9ctl snapshots diff ";
    const std::size_t at = again.out.find(named);
    ASSERT_NE(at, std::string::npos) << again.out;
    const std::string snapshot = again.out.substr(at + named.size(), again.out.find(' ', at + named.size()) - at - named.size());
    const Outcome restored = ctl({"snapshots", "restore", snapshot, "--verify"});
    ASSERT_EQ(restored.code, 0) << restored.err;
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 250);
}

INSTANTIATE_TEST_SUITE_P(EachWay, M9ctlFlashInterrupted, ::testing::ValuesIn(kInterruptions),
                         [](const ::testing::TestParamInfo<Interruption> &way) { return way.param.name; });

TEST_F(M9ctlFlash, HexFilesThatAreNotAWholeFirmwareAreRefusedBeforeTheDriveIsAsked)
{
    const std::string whole = manyRowImage();
    const std::string endRecord = hexRecord(1, 0, {});
    const std::string withoutEnd = whole.substr(0, whole.size() - endRecord.size());
    const struct {
        const char *name;
        std::string text;
        const char *said;
    } kImages[] = {
        {"empty", "", "holds no program data"},
        {"only the end record", endRecord, "holds no program data"},
        {"no end record", withoutEnd, "no end-of-file record"},
        {"cut inside a record", withoutEnd.substr(0, withoutEnd.size() - 9), "Bad Hex file (not an Intel HEX record"},
    };
    const std::string before = drive->programMemoryHex();
    const long long answeredBefore = drive->counters().framesAnswered;
    for (const auto &image : kImages) {
        writeText(dir + "/image.hex", image.text);
        const Outcome flash = ctl({"flash", "image.hex", "--yes"});
        EXPECT_EQ(flash.code, 5) << image.name;
        EXPECT_NE(flash.err.find(image.said), std::string::npos) << image.name << ": " << flash.err;
        EXPECT_FALSE(drive->inBootLoader()) << image.name;
    }
    EXPECT_EQ(drive->counters().framesAnswered, answeredBefore) << "the drive was asked something";
    EXPECT_TRUE(drive->programRowsWritten().empty());
    EXPECT_EQ(drive->programMemoryHex(), before);
}

TEST_F(M9ctlFlash, SeveralDrivesGetOneResultLineEach)
{
    writeText(dir + "/firmware.hex", manyRowImage());
    auto second = startDrive();
    const std::string missing = "/dev/m9ctl-none";
    const Outcome flash = m9ctl({"--port", device, "--port", second->devicePath(), "--port", missing, "flash",
                                 "firmware.hex", "--yes"},
                                dir);
    EXPECT_EQ(flash.code, 3) << flash.err;
    const std::vector<std::string> out = lines(flash.out);
    ASSERT_EQ(out.size(), 3u) << flash.out;
    for (const std::string &port : {device, second->devicePath()}) {
        std::size_t found = 0;
        for (const std::string &line : out)
            if (line.rfind(port + ": Firmware Download Completion!!", 0) == 0)
                ++found;
        EXPECT_EQ(found, 1u) << port << "\n" << flash.out;
    }
    std::size_t failed = 0;
    for (const std::string &line : out)
        if (line.rfind(missing + ": Firmware not downloaded: the link failed", 0) == 0)
            ++failed;
    EXPECT_EQ(failed, 1u) << flash.out;
    for (vq::sim::VirtualDrive *d : {drive.get(), second.get()})
        EXPECT_EQ(hexBytes(d->programMemoryHex()), hexBytes(manyRowImage()));
}
