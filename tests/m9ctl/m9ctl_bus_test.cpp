// Several drives on one line: a virtual drive serving nodes 1, 2 and 3 on
// one pseudo-terminal, each with registers of its own, scanned and saved
// one after another by the built m9ctl through the real link library.
#include "tests/m9ctl/m9ctl_support.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace m9test;

namespace {


// The rows of a parameter file without those of the status group (0x26..).
std::vector<std::string> settingRows(const std::string &file)
{
    std::vector<std::string> rows;
    for (const std::string &row : lines(file))
        if (row.rfind("0x26", 0) != 0)
            rows.push_back(row);
    return rows;
}

class M9ctlBus : public ::testing::Test {
protected:
    void SetUp() override
    {
        vq::sim::CatalogueDefaults defaults;
        std::string error;
        ASSERT_TRUE(vq::sim::loadCatalogueDefaults(TARVEX_REAL_CATALOGUE, defaults, error)) << error;
        vq::sim::DriveOptions options;
        options.node = 1;
        options.otherNodes = {2, 3};
        line = std::make_unique<vq::sim::VirtualDrive>(options, defaults);
        ASSERT_TRUE(line->start(error)) << error;
        device = line->devicePath();
        dir = temporaryDirectory();
        // Values that tell the drives apart, written to each node alone.
        for (std::uint8_t node = 1; node <= 3; ++node) {
            vq::simtest::LinkSession link(device, node);
            ASSERT_TRUE(link.connected());
            ASSERT_EQ(link.write(kInertiaRatioAddress, static_cast<std::uint16_t>(100 + node)), 0);
            ASSERT_EQ(link.write(kMotorIdAddress, static_cast<std::uint16_t>(10 * node)), 0);
        }
    }
    void TearDown() override
    {
        line->stop();
        std::filesystem::remove_all(dir);
    }
    Outcome ctl(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--port", device});
        return m9ctl(args, dir);
    }

    std::unique_ptr<vq::sim::VirtualDrive> line;
    std::string device;
    std::string dir;
};

} // namespace

TEST_F(M9ctlBus, ThreeNodesOnOneLineAreScannedAndSavedEachIntoItsOwnFile)
{
    const Outcome scan = ctl({"scan", "--nodes", "0-4"});
    ASSERT_EQ(scan.code, 0) << scan.err;
    EXPECT_EQ(scan.out, device + " node 1: 0132\n" + device + " node 2: 0132\n" + device + " node 3: 0132\n");

    const Outcome save = ctl({"--node", "1", "--node", "2", "--node", "3", "params", "save", "node{node}.mpa"});
    ASSERT_EQ(save.code, 0) << save.err;
    for (const std::string &printed : lines(save.out))
        EXPECT_EQ(printed.rfind(device + " node ", 0), 0u) << printed;
    for (std::uint8_t node = 1; node <= 3; ++node) {
        const std::string n = std::to_string(node);
        const std::string saved = readText(dir + "/node" + n + ".mpa");
        // What this node holds, and not its neighbours' values.
        EXPECT_EQ(line->registerValueAt(node, kInertiaRatioAddress), 100 + node);
        EXPECT_NE(saved.find("0x2001\t0.\t" + std::to_string(100 + node) + "\r\n"), std::string::npos) << n;
        EXPECT_NE(saved.find("0x2000\t0.\t" + std::to_string(10 * node) + "\r\n"), std::string::npos) << n;
        // Every setting as the same node saved alone gives it (the status
        // group's measured values move between two reads).
        const Outcome alone = ctl({"--node", n, "params", "save", "alone.mpa"});
        ASSERT_EQ(alone.code, 0) << alone.err;
        EXPECT_EQ(settingRows(saved), settingRows(readText(dir + "/alone.mpa"))) << "node " << n;
    }
}

TEST_F(M9ctlBus, ASilentNodeFailsAloneAndTheOthersAnswer)
{
    const Outcome info = ctl({"--node", "2", "--node", "7", "--node", "3", "info", "--json"});
    EXPECT_EQ(info.code, 3) << info.err;
    EXPECT_NE(info.out.find(device + " node 2: {\"firmware\":\"0132\""), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(device + " node 3: {\"firmware\":\"0132\""), std::string::npos) << info.out;
    EXPECT_EQ(info.out.find("node 7"), std::string::npos) << info.out;
    EXPECT_NE(info.err.find(device + " node 7: "), std::string::npos) << info.err;
    EXPECT_NE(info.err.find("no drive answers at this node"), std::string::npos) << info.err;

    // Nothing that would reach every drive of the line, and no file two nodes share.
    for (const std::vector<std::string> &refused :
         {std::vector<std::string>{"--node", "1", "--node", "2", "flash", "x.hex", "--yes"},
          {"--node", "1", "--node", "2", "monitor"},
          {"--node", "1", "--node", "2", "params", "save", "one.mpa"},
          {"--node", "1", "--node", "1", "info"}}) {
        const Outcome out = ctl(refused);
        EXPECT_EQ(out.code, 2) << refused[4] << ": " << out.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}
