// The snapshot store on a real folder: what it keeps can be loaded as a
// parameter file, its names stay safe and sortable whatever the drive's
// texts, damaged or half-written snapshots are not listed, and the oldest
// go first once the count or the size is over its bound.
#include "drive/snapshots/snapshot_store.h"

#include "drive/files/file_access.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace tarvex::snapshots;
namespace fs = std::filesystem;

namespace {

class SnapshotStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/snapshot-store-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
        folder = root + "/data/Tarvex_M9A/snapshots"; // made by the first save
    }
    void TearDown() override { fs::remove_all(root); }

    SnapshotHeader header(const std::string &time, const std::string &reason = "All Write") const
    {
        return {time, reason, "0132", 3, "/dev/ttyUSB0"};
    }
    std::vector<tarvex::parameters::ParameterLine> lines(const std::string &value, std::size_t count = 3) const
    {
        std::vector<tarvex::parameters::ParameterLine> out;
        for (std::size_t i = 0; i < count; ++i)
            out.push_back({"0x20" + std::to_string(10 + i), "0", value});
        return out;
    }
    std::vector<std::string> names(const SnapshotStore &store) const
    {
        std::vector<std::string> out;
        for (const Snapshot &s : store.list())
            out.push_back(s.name);
        return out;
    }

    std::string root;
    std::string folder;
};

} // namespace

TEST_F(SnapshotStoreTest, KeepsALoadableParameterFileUnderASafeNameAndListsItBack)
{
    SnapshotStore store(folder);
    const SnapshotHeader unsafe{"2026-12-09T11:34:36Z", "m9ctl params set ../../etc\nx", "01/2*", 7,
                                "/dev/serial/by-id/usb-FTDI:01"};
    const SnapshotStore::Saving saved = store.save(unsafe, "0132", lines("250"));
    ASSERT_TRUE(saved.snapshot) << saved.problem;
    EXPECT_EQ(saved.snapshot->name, "20261209T113436Z_01-2_serial-by-id-usb-FTDI-01_n7_m9ctl-params-set-etc-x");
    EXPECT_EQ(fs::path(saved.snapshot->parameterFile).parent_path(), fs::path(folder));

    const tarvex::parameters::ParameterFileReading reading =
        tarvex::parameters::loadParameterFile(saved.snapshot->parameterFile, {"0x2010", "0x2011", "0x2012"});
    ASSERT_TRUE(reading.contents) << reading.problem;
    ASSERT_EQ(reading.contents->values.size(), 3u);
    EXPECT_EQ(reading.contents->values[2].value, "250");
    EXPECT_TRUE(reading.contents->mismatches.empty());

    const std::vector<Snapshot> listed = store.list();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].header.reason, "m9ctl params set ../../etc x") << "one line per field";
    EXPECT_EQ(listed[0].header.firmware, "01/2*");
    EXPECT_EQ(listed[0].header.node, 7);
    EXPECT_EQ(listed[0].header.port, "/dev/serial/by-id/usb-FTDI:01");
    EXPECT_EQ(listed[0].header.time, "2026-12-09T11:34:36Z");

    // The same second again is a second snapshot, not an overwrite.
    const SnapshotStore::Saving again = store.save(unsafe, "0132", lines("300"));
    ASSERT_TRUE(again.snapshot) << again.problem;
    EXPECT_EQ(again.snapshot->name, saved.snapshot->name + "-2");
    EXPECT_EQ(store.find("latest")->name, again.snapshot->name);
    EXPECT_EQ(store.find(saved.snapshot->name)->name, saved.snapshot->name);
    EXPECT_FALSE(store.find("nothing"));
}

TEST_F(SnapshotStoreTest, HalfWrittenAndDamagedSnapshotsAreNotListed)
{
    SnapshotStore store(folder);
    ASSERT_TRUE(store.save(header("2026-12-09T10:00:00Z"), "0132", lines("1")).snapshot);
    const Snapshot whole = store.list().front();
    // Left by a crash between the two files, or written by something else.
    std::ofstream(folder + "/20261209T090000Z_a_b_n0_c.mpa") << "M9AServio Drive version: \t0132\r\n";
    std::ofstream(folder + "/20261209T080000Z_a_b_n0_c.snapshot") << "time=x\nnode=0\n";
    std::ofstream(folder + "/20261209T070000Z_a_b_n0_c.snapshot") << "reason=no time\nnode=0\n";
    std::ofstream(folder + "/20261209T070000Z_a_b_n0_c.mpa") << "x\r\n";
    std::ofstream(folder + "/20261209T060000Z_a_b_n0_c.snapshot") << "time=t\nnode=300\n";
    std::ofstream(folder + "/20261209T060000Z_a_b_n0_c.mpa") << "x\r\n";
    fs::create_directory(folder + "/20261209T050000Z_a_b_n0_c.snapshot");
    std::ofstream(folder + "/20261209T050000Z_a_b_n0_c.mpa") << "x\r\n";
    EXPECT_EQ(names(store), std::vector<std::string>{whole.name});
}

struct Bound {
    const char *name;
    std::size_t countLimit;
    std::size_t bytesLimit;
    std::size_t saves;
    std::size_t kept; // the newest this many
};

class SnapshotBounds : public SnapshotStoreTest, public ::testing::WithParamInterface<Bound> {};

void PrintTo(const Bound &b, std::ostream *out) { *out << b.name; }

TEST_P(SnapshotBounds, TheOldestGoFirstAndTheNewestIsAlwaysKept)
{
    const Bound bound = GetParam();
    SnapshotStore store(folder, bound.countLimit, bound.bytesLimit);
    std::vector<std::string> saved;
    for (std::size_t i = 0; i < bound.saves; ++i) {
        const std::string time = "2026-12-09T10:00:0" + std::to_string(i) + "Z";
        const SnapshotStore::Saving s = store.save(header(time), "0132", lines(std::string(100, 'x'), 10));
        ASSERT_TRUE(s.snapshot) << s.problem;
        saved.push_back(s.snapshot->name);
    }
    const std::vector<std::string> expected(saved.end() - static_cast<std::ptrdiff_t>(bound.kept), saved.end());
    EXPECT_EQ(names(store), expected);
    std::size_t files = 0;
    for (const auto &entry : fs::directory_iterator(folder)) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 2 * bound.kept) << "both files of a pruned snapshot go";
}

// One snapshot here is about 1.2 kB.
const Bound kBounds[] = {
    {"ByCount", 3, 50u << 20, 6, 3},
    {"BySize", 200, 3000, 6, 2},
    {"OneOverTheSizeStillKeepsTheNewest", 200, 100, 4, 1},
    {"WithinBoth", 200, 50u << 20, 5, 5},
};
INSTANTIATE_TEST_SUITE_P(EachBound, SnapshotBounds, ::testing::ValuesIn(kBounds),
                         [](const ::testing::TestParamInfo<Bound> &p) { return std::string(p.param.name); });

TEST(SnapshotFolder, FollowsXdgDataHomeThenHomeAndIsEmptyWithoutEither)
{
    struct Case {
        const char *xdg;
        const char *home;
        std::string folder;
    };
    const Case cases[] = {
        {"/data/x", "/home/u", "/data/x/Tarvex_M9A/snapshots"},
        {"relative", "/home/u", "/home/u/.local/share/Tarvex_M9A/snapshots"},
        {nullptr, "/home/u", "/home/u/.local/share/Tarvex_M9A/snapshots"},
        {nullptr, nullptr, ""},
    };
    const std::string xdgBefore = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    const bool hadXdg = std::getenv("XDG_DATA_HOME") != nullptr;
    const std::string homeBefore = std::getenv("HOME") ? std::getenv("HOME") : "";
    const bool hadHome = std::getenv("HOME") != nullptr;
    for (const Case &c : cases) {
        c.xdg ? ::setenv("XDG_DATA_HOME", c.xdg, 1) : ::unsetenv("XDG_DATA_HOME");
        c.home ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(defaultSnapshotFolder(), c.folder) << (c.xdg ? c.xdg : "-") << " " << (c.home ? c.home : "-");
    }
    hadXdg ? ::setenv("XDG_DATA_HOME", xdgBefore.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    hadHome ? ::setenv("HOME", homeBefore.c_str(), 1) : ::unsetenv("HOME");
    SnapshotStore nowhere("");
    const SnapshotStore::Saving refused = nowhere.save({"t", "r", "f", 0, "p"}, "", {});
    EXPECT_FALSE(refused.snapshot);
    EXPECT_NE(refused.problem.find("no data folder"), std::string::npos) << refused.problem;
}
