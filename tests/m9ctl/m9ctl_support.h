// What the m9ctl tests share: virtual drives with the real catalogue's
// defaults, the built program run as a child with its output captured,
// and an independent Intel HEX reader.
#pragma once

#include "tests/m9ctl/program_run.h"
#include "tests/simulator/sim_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace m9test {

// Registers the cases of both files lean on.
inline constexpr std::uint16_t kMotorIdAddress = 80;       // 0x2000, 0..999, takes effect after a power cycle
inline constexpr std::uint16_t kInertiaRatioAddress = 82; // 0x2001, 0..30000, default 100
inline constexpr std::uint16_t kOperationCommand = 4182;  // 1 servo on, 6 servo off

// Runs m9ctl with `args`, standard input from /dev/null, in `directory`;
// standard output goes to `standardOutput` when one is named.
Outcome m9ctl(const std::vector<std::string> &args, const std::string &directory = "/tmp",
              const std::string &standardOutput = {});
// m9ctl started in the background, for a test that interrupts it.
std::unique_ptr<RunningProgram> startM9ctl(const std::vector<std::string> &args, const std::string &directory);
// Waits for `condition` with a deadline generous enough for a loaded machine.
bool eventually(const std::function<bool()> &condition);

// A started drive in instant mode holding the real catalogue's defaults.
std::unique_ptr<vq::sim::VirtualDrive> startDrive(const vq::sim::DriveOptions &options = {});

// Writes one register through the link library of the test process.
void writeRegister(const std::string &device, std::uint16_t address, std::uint16_t value);

// A fresh temporary directory, removed by the caller.
std::string temporaryDirectory();
std::string readText(const std::string &path);
void writeText(const std::string &path, const std::string &text);
std::vector<std::string> lines(const std::string &text);

// The bytes an Intel HEX file sets, by absolute byte address; record
// checksums are checked, a malformed file yields nothing.
std::map<std::uint32_t, std::uint8_t> hexBytes(const std::string &text);
// A record of the given type, address and data with its checksum.
std::string hexRecord(std::uint8_t type, std::uint16_t address, const std::vector<std::uint8_t> &data);

// A virtual drive for each test and a scratch directory m9ctl runs in.
class DriveTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // m9ctl with --port of the drive in front of `args`.
    Outcome ctl(std::vector<std::string> args, const std::string &standardOutput = {});
    std::unique_ptr<RunningProgram> startCtl(std::vector<std::string> args);

    std::unique_ptr<vq::sim::VirtualDrive> drive;
    std::string device;
    std::string dir;
};

} // namespace m9test
