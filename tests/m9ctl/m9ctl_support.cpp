#include "tests/m9ctl/m9ctl_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace m9test {

Outcome m9ctl(const std::vector<std::string> &args, const std::string &directory, const std::string &standardOutput)
{
    return runProgram(M9CTL_PATH, args, directory, standardOutput);
}

std::unique_ptr<RunningProgram> startM9ctl(const std::vector<std::string> &args, const std::string &directory)
{
    return std::make_unique<RunningProgram>(M9CTL_PATH, args, directory);
}

bool eventually(const std::function<bool()> &condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void DriveTest::SetUp()
{
    drive = startDrive();
    device = drive->devicePath();
    dir = temporaryDirectory();
}

void DriveTest::TearDown()
{
    drive->stop();
    std::filesystem::remove_all(dir);
}

Outcome DriveTest::ctl(std::vector<std::string> args, const std::string &standardOutput)
{
    args.insert(args.begin(), {"--port", device});
    return m9ctl(args, dir, standardOutput);
}

std::unique_ptr<RunningProgram> DriveTest::startCtl(std::vector<std::string> args)
{
    args.insert(args.begin(), {"--port", device});
    return startM9ctl(args, dir);
}

std::unique_ptr<vq::sim::VirtualDrive> startDrive(const vq::sim::DriveOptions &options)
{
    static vq::sim::CatalogueDefaults defaults = [] {
        vq::sim::CatalogueDefaults d;
        std::string error;
        EXPECT_TRUE(vq::sim::loadCatalogueDefaults(TARVEX_REAL_CATALOGUE, d, error)) << error;
        return d;
    }();
    auto drive = std::make_unique<vq::sim::VirtualDrive>(options, defaults);
    std::string error;
    EXPECT_TRUE(drive->start(error)) << error;
    return drive;
}

void writeRegister(const std::string &device, std::uint16_t address, std::uint16_t value)
{
    vq::simtest::LinkSession link(device);
    ASSERT_TRUE(link.connected());
    ASSERT_EQ(link.write(address, value), 0);
}

std::string temporaryDirectory()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "m9ctl_XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return {};
    return pattern;
}

std::string readText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::string &path, const std::string &text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::map<std::uint32_t, std::uint8_t> hexBytes(const std::string &text)
{
    std::map<std::uint32_t, std::uint8_t> bytes;
    std::uint32_t upper = 0;
    for (std::string line : lines(text)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        if (line[0] != ':' || line.size() < 11 || line.size() % 2 == 0)
            return {};
        std::vector<unsigned> b;
        for (std::size_t i = 1; i < line.size(); i += 2)
            b.push_back(static_cast<unsigned>(std::stoul(line.substr(i, 2), nullptr, 16)));
        unsigned sum = 0;
        for (unsigned x : b)
            sum += x;
        if ((sum & 0xFF) != 0 || b[0] + 5 != b.size())
            return {};
        const std::uint32_t address = b[1] << 8 | b[2];
        if (b[3] == 0)
            for (unsigned i = 0; i < b[0]; ++i)
                bytes[upper + address + i] = static_cast<std::uint8_t>(b[4 + i]);
        else if (b[3] == 4)
            upper = (b[4] << 8 | b[5]) << 16;
        else if (b[3] == 1)
            break;
    }
    return bytes;
}

std::string hexRecord(std::uint8_t type, std::uint16_t address, const std::vector<std::uint8_t> &data)
{
    std::vector<unsigned> b{static_cast<unsigned>(data.size()), static_cast<unsigned>(address >> 8),
                            static_cast<unsigned>(address & 0xFF), type};
    for (std::uint8_t d : data)
        b.push_back(d);
    unsigned sum = 0;
    std::string line = ":";
    char hex[4];
    for (unsigned x : b) {
        std::snprintf(hex, sizeof hex, "%02X", x);
        line += hex;
        sum += x;
    }
    std::snprintf(hex, sizeof hex, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + hex + "\r\n";
}

} // namespace m9test
