// Snapshots taken before m9ctl changes a drive, and the way back: after a
// write of every parameter and after a firmware download that sets the
// parameters to the factory's, restoring the snapshot leaves every
// parameter register of the virtual drive as it was before.
#include "tests/m9ctl/m9ctl_support.h"

#include "simulator/src/catalogue_defaults.h"

#include <gtest/gtest.h>

#include <map>

using namespace m9test;

namespace {

constexpr std::uint16_t kOverspeedAddress = 100; // 0x200A, 0..6500, default 6000

// Every parameter register the catalogue gives, as the drive holds it now.
std::map<std::uint16_t, std::uint16_t> parameterRegisters(vq::sim::VirtualDrive &drive)
{
    static const vq::sim::CatalogueDefaults catalogue = [] {
        vq::sim::CatalogueDefaults d;
        std::string error;
        EXPECT_TRUE(vq::sim::loadCatalogueDefaults(TARVEX_REAL_CATALOGUE, d, error)) << error;
        return d;
    }();
    std::map<std::uint16_t, std::uint16_t> out;
    for (const vq::sim::ParameterDefault &p : catalogue.parameters) {
        if (p.group == 0)
            continue; // live readings, not settings
        out[p.address] = drive.registerValue(p.address);
        if (p.twoRegisters)
            out[static_cast<std::uint16_t>(p.address + 2)] = drive.registerValue(static_cast<std::uint16_t>(p.address + 2));
    }
    return out;
}

// The newest snapshot's name, as "snapshots list" prints it last.
std::string newestSnapshot(const std::string &directory)
{
    const std::vector<std::string> listed = lines(m9ctl({"snapshots", "list"}, directory).out);
    return listed.empty() ? std::string() : listed.back().substr(0, listed.back().find(' '));
}

// The name in m9ctl flash's "snapshot NAME" line.
std::string snapshotName(const std::string &out)
{
    for (const std::string &line : lines(out))
        if (line.rfind("snapshot ", 0) == 0)
            return line.substr(9);
    return {};
}

void replace(std::string &text, const std::string &from, const std::string &to)
{
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// The firmware's reset jump and one instruction: a short, whole download.
std::string firmwareImage()
{
    return hexRecord(0, 0x0000, {0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}) +
           hexRecord(0, 0x0800, {0x01, 0xA5, 0x01, 0x00}) + hexRecord(1, 0, {});
}

class M9ctlSnapshots : public DriveTest {};

} // namespace

TEST_F(M9ctlSnapshots, ASnapshotTakenBeforeWritingEveryParameterRestoresTheDriveExactly)
{
    const std::map<std::uint16_t, std::uint16_t> before = parameterRegisters(*drive);
    ASSERT_EQ(ctl({"params", "save", "base.mpa"}).code, 0);
    std::string changed = readText(dir + "/base.mpa");
    replace(changed, "0x2001\t0.\t100\r\n", "0x2001\t0.\t250\r\n");
    replace(changed, "0x200A\t0.\t6000\r\n", "0x200A\t0.\t5000\r\n");
    writeText(dir + "/changed.mpa", changed);

    const Outcome all = ctl({"params", "load", "changed.mpa", "--all"});
    ASSERT_EQ(all.code, 0) << all.err;
    const std::string name = newestSnapshot(dir);
    ASSERT_NE(name.find("m9ctl-params-load"), std::string::npos) << name;
    ASSERT_EQ(drive->registerValue(kInertiaRatioAddress), 250);
    ASSERT_EQ(drive->registerValue(kOverspeedAddress), 5000);

    const Outcome list = ctl({"snapshots", "list", "--json"});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_NE(list.out.find("\"name\":\"" + name + "\",\"time\":"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("\"reason\":\"m9ctl params load\",\"firmware\":\"0132\",\"port\":\"" + device +
                            "\",\"node\":0"),
              std::string::npos)
        << list.out;

    const Outcome diff = ctl({"snapshots", "diff", name});
    EXPECT_EQ(diff.code, 1) << diff.err;
    EXPECT_EQ(diff.out, "0x2001 Inertia Ratio: drive 250, file 100\n"
                        "0x200A Overspeed Detection Level: drive 5000, file 6000\n");

    const Outcome restore = ctl({"snapshots", "restore", name, "--verify"});
    ASSERT_EQ(restore.code, 0) << restore.err;
    EXPECT_NE(restore.out.find("wrote 2 parameters"), std::string::npos) << restore.out;
    EXPECT_EQ(parameterRegisters(*drive), before);
    EXPECT_EQ(ctl({"snapshots", "diff", name}).code, 0);

    // The restore kept the state it replaced, so it can be undone too.
    const Outcome again = ctl({"snapshots", "list"});
    EXPECT_EQ(lines(again.out).size(), 2u) << again.out; // before the load, before the restore (save wrote nothing)
}

TEST_F(M9ctlSnapshots, UnknownSnapshotsAndBadArgumentsAreUsageErrorsWithNothingWritten)
{
    const std::map<std::uint16_t, std::uint16_t> before = parameterRegisters(*drive);
    EXPECT_EQ(ctl({"snapshots", "list"}).out.find("no snapshots in " + dir + "/data/Tarvex_M9A/snapshots"), 0u);
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"snapshots", "restore", "latest"},
             {"snapshots", "restore", "nothing-by-this-name"},
             {"snapshots", "diff"},
             {"snapshots", "undo", "latest"},
             {"snapshots", "list", "--what"}}) {
        const Outcome o = ctl(args);
        EXPECT_EQ(o.code, 2) << args[1] << ": " << o.err;
    }
    EXPECT_EQ(parameterRegisters(*drive), before);
}

TEST_F(M9ctlSnapshots, ASnapshotOfAnotherDriveIsRestoredOnlyWhenAskedFor)
{
    // Kept from this drive before its inertia became 250: it holds 100.
    ASSERT_EQ(ctl({"params", "set", "0x2001=250"}).code, 0);
    const Outcome listed = ctl({"snapshots", "list"});
    const std::string name = listed.out.substr(0, listed.out.find(' '));
    ASSERT_FALSE(name.empty()) << listed.out;

    auto other = startDrive();
    writeRegister(other->devicePath(), kInertiaRatioAddress, 300);
    const Outcome refused = m9ctl({"--port", other->devicePath(), "snapshots", "restore", name}, dir);
    EXPECT_EQ(refused.code, 4) << refused.err;
    EXPECT_NE(refused.err.find("give --other-drive"), std::string::npos) << refused.err;
    EXPECT_EQ(other->registerValue(kInertiaRatioAddress), 300) << "nothing written unasked";

    const Outcome asked = m9ctl({"--port", other->devicePath(), "snapshots", "restore", name, "--other-drive"}, dir);
    EXPECT_EQ(asked.code, 0) << asked.err;
    EXPECT_EQ(other->registerValue(kInertiaRatioAddress), 100);
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 250) << "the drive it was kept from is untouched";
    other->stop();
}

struct AfterDownload {
    const char *name;
    bool restoreFlag;
};

class M9ctlFlashKeepsSetUp : public DriveTest, public ::testing::WithParamInterface<AfterDownload> {};

void PrintTo(const AfterDownload &a, std::ostream *out) { *out << a.name; }

TEST_P(M9ctlFlashKeepsSetUp, ADownloadThatResetsTheParametersIsComparedAndPutBack)
{
    drive->setDefaultsAfterDownload(true);
    const Outcome set = ctl({"params", "set", "0x2001=250", "0x200A=5000"});
    ASSERT_EQ(set.code, 0) << set.err;
    const std::map<std::uint16_t, std::uint16_t> before = parameterRegisters(*drive);

    writeText(dir + "/firmware.hex", firmwareImage());
    std::vector<std::string> args{"flash", "firmware.hex", "--yes"};
    if (GetParam().restoreFlag)
        args.emplace_back("--restore");
    const Outcome flash = ctl(args);
    ASSERT_FALSE(drive->programRowsWritten().empty()) << flash.err;
    EXPECT_NE(flash.out.find("Firmware Download Completion!!"), std::string::npos) << flash.out;
    const std::string name = snapshotName(flash.out);
    ASSERT_FALSE(name.empty()) << flash.out;
    EXPECT_NE(flash.out.find("parameters against snapshot " + name + ":\n"
                             "0x2001 Inertia Ratio: drive 100, file 250\n"
                             "0x200A Overspeed Detection Level: drive 6000, file 5000\n"),
              std::string::npos)
        << flash.out;

    if (GetParam().restoreFlag) {
        EXPECT_EQ(flash.code, 0) << flash.err;
        EXPECT_NE(flash.out.find("verified"), std::string::npos) << flash.out;
    } else {
        EXPECT_EQ(flash.code, 1) << "done, but the parameters differ: " << flash.err;
        EXPECT_NE(flash.out.find("m9ctl snapshots restore " + name + " writes them back"), std::string::npos)
            << flash.out;
        EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 100) << "nothing written unasked";
        const Outcome restore = ctl({"snapshots", "restore", name, "--verify"});
        EXPECT_EQ(restore.code, 0) << restore.err;
    }
    EXPECT_EQ(parameterRegisters(*drive), before);
}

const AfterDownload kAfterDownload[] = {{"Asked", false}, {"WithRestore", true}};
INSTANTIATE_TEST_SUITE_P(EachWay, M9ctlFlashKeepsSetUp, ::testing::ValuesIn(kAfterDownload),
                         [](const ::testing::TestParamInfo<AfterDownload> &p) { return std::string(p.param.name); });
