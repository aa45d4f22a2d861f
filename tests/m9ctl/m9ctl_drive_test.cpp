// m9ctl's other commands end to end: drive state, alarms, monitoring,
// trace, the firmware download checked against the drive's own dump,
// several drives at once, the refusals of bad input and the checks of the
// ports list.
#include "tests/m9ctl/m9ctl_support.h"

#include "simulator/src/console_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

using namespace m9test;

namespace {

class M9ctlDrive : public DriveTest {};

// The controller's factory reset jump (goto 0x000200) followed by a few
// instructions in program rows 0 and 3 and one above the first 64 KiB.
std::string firmwareImage()
{
    return hexRecord(0, 0x0000, {0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00}) +
           hexRecord(0, 0x0008, {0xC3, 0xB2, 0xA1, 0x00}) +
           hexRecord(0, 0x1800, {0x56, 0x34, 0x12, 0x00, 0x21, 0x43, 0x65, 0x00}) + hexRecord(4, 0, {0x00, 0x01}) +
           hexRecord(0, 0x0010, {0x01, 0x02, 0x03, 0x00}) + hexRecord(1, 0, {});
}

} // namespace

TEST_F(M9ctlDrive, InfoAlarmsAndAlarmResetTellTheDrivesState)
{
    const Outcome info = ctl({"info"});
    EXPECT_EQ(info.code, 0) << info.err;
    EXPECT_EQ(info.out, "firmware 0132, version A0.27.3, servo off, alarm none\n");
    // With or without the link library's fast profile, the command goes on.
    const Outcome fast = ctl({"--fast", "info"});
    EXPECT_EQ(fast.code, 0) << fast.err;
    EXPECT_EQ(fast.out, info.out);

    drive->raiseAlarm(0x14);
    drive->raiseAlarm(0x4e);
    const Outcome json = ctl({"info", "--json"});
    EXPECT_EQ(json.out, "{\"firmware\":\"0132\",\"version\":\"A0.27.3\",\"versionNumber\":\"867\",\"servo\":\"off\","
                        "\"alarm\":{\"code\":\"AL - 4e\",\"name\":\"\"}}\n");
    const Outcome alarms = ctl({"alarms"});
    EXPECT_EQ(alarms.code, 0) << alarms.err;
    EXPECT_EQ(alarms.out, "1 AL - 4e\n2 AL - 14 Over current\n");

    const Outcome reset = ctl({"alarm-reset"});
    EXPECT_EQ(reset.code, 0) << reset.err;
    EXPECT_EQ(drive->activeAlarm(), 0);

    const Outcome cleared = ctl({"alarms", "--clear", "--json"});
    EXPECT_EQ(cleared.code, 0) << cleared.err;
    EXPECT_EQ(cleared.out, "[{\"entry\":1,\"code\":\"AL - 4e\",\"name\":\"\"},"
                           "{\"entry\":2,\"code\":\"AL - 14\",\"name\":\"Over current\"}]\n");
    EXPECT_TRUE(drive->alarmHistory().empty() ||
                drive->alarmHistory() == std::vector<std::uint8_t>(drive->alarmHistory().size(), 0));
    EXPECT_EQ(ctl({"alarms"}).out, "no alarms recorded\n");
}

TEST_F(M9ctlDrive, MonitorAndTraceWriteWhatTheDriveReports)
{
    drive->setInputs(0x0005);
    const Outcome monitor = ctl({"monitor", "--rows", "1,DC-Link Voltage", "--count", "2", "--csv"});
    EXPECT_EQ(monitor.code, 0) << monitor.err;
    const auto rows = lines(monitor.out);
    ASSERT_EQ(rows.size(), 3u) << monitor.out;
    EXPECT_EQ(rows[0], "cycle,Current Speed[rpm],DC-Link Voltage[V],POT,NOT,HOME,PCON,GAIN2,ALRST,ALM,RDY,ZSPD,BRK,"
                       "INPOS,INSPD,WARN");
    EXPECT_EQ(rows[1].rfind("1,0,", 0), 0u) << rows[1];
    EXPECT_NE(rows[1].find(",1,0,1,0,0,0,"), std::string::npos) << "POT and HOME: " << rows[1];

    const Outcome trace = ctl({"trace", "--channels", "current speed,7", "--period", "13", "--seconds", "1", "-o",
                           "speed.csv"});
    EXPECT_EQ(trace.code, 0) << trace.err;
    const auto samples = lines(readText(dir + "/speed.csv"));
    ASSERT_GE(samples.size(), 31u);
    EXPECT_EQ(samples[0], "time_ms,Current Speed[rpm],DC Link Voltage[v]");
    EXPECT_EQ(samples[2].rfind("13,0,", 0), 0u) << samples[2];
    EXPECT_EQ(ctl({"trace", "--channels", "1", "--period", "13", "--seconds", "1", "-o", "t.mdg"}).code, 0);
    EXPECT_EQ(lines(readText(dir + "/t.mdg")).size(), 4u * 361u + 2u);
}

TEST_F(M9ctlDrive, FlashDownloadsExactlyTheFileAndAsksFirst)
{
    writeText(dir + "/firmware.hex", firmwareImage());
    const Outcome unasked = ctl({"flash", "firmware.hex"});
    EXPECT_EQ(unasked.code, 4) << "no terminal to ask on";
    EXPECT_NE(unasked.err.find("--yes"), std::string::npos);
    EXPECT_TRUE(drive->programRowsWritten().empty());

    writeRegister(device, kOperationCommand, 1);
    const Outcome servoOn = ctl({"flash", "firmware.hex", "--yes"});
    EXPECT_EQ(servoOn.code, 4);
    EXPECT_NE(servoOn.err.find("the servo is on"), std::string::npos) << servoOn.err;
    EXPECT_TRUE(drive->programRowsWritten().empty());
    writeRegister(device, kOperationCommand, 6);

    const Outcome flash = ctl({"flash", "firmware.hex", "--yes"});
    ASSERT_EQ(flash.code, 0) << flash.err;
    EXPECT_TRUE(flash.err.empty()) << "no progress without a terminal: " << flash.err;
    EXPECT_EQ(drive->programRowsWritten().size(), 3u);

    const vq::sim::ConsoleResult dump = vq::sim::runConsoleCommand(*drive, "firmware-dump " + dir + "/dump.hex");
    ASSERT_TRUE(dump.ok) << dump.reply;
    const auto written = hexBytes(readText(dir + "/dump.hex"));
    const auto source = hexBytes(firmwareImage());
    ASSERT_FALSE(source.empty());
    EXPECT_EQ(written, source);
    // The drive runs its firmware again and answers.
    EXPECT_EQ(ctl({"info"}).code, 0);
}

TEST_F(M9ctlDrive, ThreeDrivesAtOnceEachWithItsOwnLink)
{
    auto second = startDrive();
    auto third = startDrive();
    const Outcome set = m9ctl({"--port", device, "--port", second->devicePath(), "--port", third->devicePath(), "params",
                           "set", "0x2001=123"},
                          dir);
    EXPECT_EQ(set.code, 0) << set.err;
    for (auto *d : {drive.get(), second.get(), third.get()}) {
        EXPECT_EQ(d->registerValue(kInertiaRatioAddress), 123);
        EXPECT_NE(set.out.find(d->devicePath() + ": 0x2001 Inertia Ratio = 123\n"), std::string::npos) << set.out;
    }
    third->raiseAlarm(0x40);
    const Outcome info = m9ctl({"--port", device, "--port", third->devicePath(), "--port", "/dev/m9ctl-none", "info"}, dir);
    EXPECT_EQ(info.code, 3) << "the worst drive's code";
    EXPECT_NE(info.out.find(device + ": firmware 0132, version A0.27.3, servo off, alarm none\n"), std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find(third->devicePath() + ": firmware 0132, version A0.27.3, servo off, alarm AL - 40 Under "
                                                  "Voltage\n"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.err.find("/dev/m9ctl-none: m9ctl: Communication Connect Error!"), std::string::npos) << info.err;
    second->stop();
    third->stop();
}

TEST_F(M9ctlDrive, BadCommandLinesDevicesAndFilesAreRefused)
{
    EXPECT_EQ(m9ctl({}).code, 2);
    EXPECT_EQ(m9ctl({"info"}).code, 2) << "no port";
    EXPECT_EQ(m9ctl({"--port", device, "frobnicate"}).code, 2);
    EXPECT_EQ(m9ctl({"--port", device, "--node", "100", "info"}).code, 2);
    EXPECT_EQ(m9ctl({"--port", device, "--baud", "1234", "info"}).code, 2);
    EXPECT_EQ(m9ctl({"--port", "relative/path", "info"}).code, 2);
    EXPECT_EQ(ctl({"info", "extra"}).code, 2);
    EXPECT_EQ(ctl({"monitor", "--rows", "27"}).code, 2);
    EXPECT_EQ(ctl({"trace", "--channels", "1", "--period", "5", "--seconds", "1", "-o", "x.csv"}).code, 2)
        << "too short a period for 19200 baud";
    EXPECT_EQ(ctl({"trace", "--channels", "1", "--period", "20", "--seconds", "1", "-o", "x.txt"}).code, 2);

    const Outcome missing = m9ctl({"--port", "/dev/m9ctl-none", "info"});
    EXPECT_EQ(missing.code, 3);
    EXPECT_NE(missing.err.find("/dev/m9ctl-none: No such file or directory"), std::string::npos) << missing.err;

    // Nothing answers: the link is there, the drive is not.
    drive->setSilent(true);
    EXPECT_EQ(ctl({"info"}).code, 3);
    drive->setSilent(false);

    writeText(dir + "/bad.hex", ":10000000ZZ\r\n");
    EXPECT_EQ(ctl({"flash", "bad.hex", "--yes"}).code, 5);
    EXPECT_EQ(ctl({"flash", "none.hex", "--yes"}).code, 5);
    EXPECT_TRUE(drive->programRowsWritten().empty());
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 100);
}

TEST_F(M9ctlDrive, ARefusedDeviceNamesTheGroupToJoin)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens any device";
    const std::string refused = dir + "/refused";
    writeText(refused, "");
    ::chmod(refused.c_str(), 0);
    const Outcome run = m9ctl({"--port", refused, "info"});
    EXPECT_EQ(run.code, 3);
    EXPECT_NE(run.err.find("dialout"), std::string::npos) << run.err;
}

namespace {

// The device as m9ctl names a drive's file: /dev/pts/7 -> dev_pts_7.
std::string fileNameOf(const std::string &device)
{
    std::string name = device.substr(1);
    for (char &c : name)
        if (c == '/')
            c = '_';
    return name;
}

} // namespace

TEST_F(M9ctlDrive, SeveralDrivesEachWriteAFileOfTheirOwnAndNeverShareOne)
{
    auto second = startDrive();
    auto third = startDrive();
    const std::vector<vq::sim::VirtualDrive *> drives{drive.get(), second.get(), third.get()};
    std::vector<std::string> ports;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        writeRegister(drives[i]->devicePath(), kInertiaRatioAddress, static_cast<std::uint16_t>(101 + i));
        ports.insert(ports.end(), {"--port", drives[i]->devicePath()});
    }
    const auto all = [&](std::vector<std::string> args) {
        args.insert(args.begin(), ports.begin(), ports.end());
        return m9ctl(args, dir);
    };
    const auto answered = [&] {
        long long frames = 0;
        for (auto *d : drives)
            frames += d->counters().framesAnswered;
        return frames;
    };

    // One file for three drives is refused before any drive is asked.
    const long long before = answered();
    for (const std::vector<std::string> &shared :
         {std::vector<std::string>{"params", "save", "par.mpa"}, {"params", "save", "node{node}.mpa"},
          {"trace", "--channels", "1", "--period", "20", "--seconds", "1", "-o", "run.csv"}}) {
        const Outcome refused = all(shared);
        EXPECT_EQ(refused.code, 2) << shared.back();
        EXPECT_NE(refused.err.find("would both write"), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("{port}"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(answered(), before);
    EXPECT_TRUE(std::filesystem::is_empty(dir));

    const Outcome save = all({"params", "save", "{port}.mpa"});
    EXPECT_EQ(save.code, 0) << save.err;
    std::filesystem::create_directory(dir + "/traces");
    const Outcome trace = all({"trace", "--channels", "1", "--period", "20", "--seconds", "1", "-o", "traces"});
    EXPECT_EQ(trace.code, 0) << trace.err;
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const std::string name = fileNameOf(drives[i]->devicePath());
        EXPECT_NE(readText(dir + "/" + name + ".mpa").find("0x2001\t0.\t" + std::to_string(101 + i) + "\r\n"),
                  std::string::npos)
            << name;
        EXPECT_EQ(readText(dir + "/traces/" + name + ".csv").rfind("time_ms,Current Speed[rpm]\n", 0), 0u) << name;
    }
    second->stop();
    third->stop();
}

TEST_F(M9ctlDrive, ATraceCutShortByTheLineSaysSoAndKeepsWhatArrived)
{
    const struct {
        const char *name;
        std::function<void(vq::sim::VirtualDrive &)> fault, mend;
    } kFaults[] = {
        // Every block's fetch cut off (the readiness answers are short and pass).
        {"blocks cut off", [](vq::sim::VirtualDrive &d) { d.cutNextReplies(200, 1000000); },
         [](vq::sim::VirtualDrive &d) { d.cutNextReplies(0, 0); }},
        {"line silent", [](vq::sim::VirtualDrive &d) { d.setSilent(true); },
         [](vq::sim::VirtualDrive &d) { d.setSilent(false); }},
    };
    for (const auto &fault : kFaults) {
        std::filesystem::remove(dir + "/run.csv");
        // A drive whose trace has never run, so that its blocks count this run's.
        auto fresh = startDrive();
        // 2 s at 13 ms: five blocks of 30 samples.
        auto run = startM9ctl({"--port", fresh->devicePath(), "trace", "--channels", "1", "--period", "13",
                               "--seconds", "2", "-o", "run.csv"},
                              dir);
        ASSERT_TRUE(eventually([&] { return fresh->traceBlocksProduced() >= 3; })) << fault.name;
        fault.fault(*fresh);
        const Outcome cut = run->finish();
        fault.mend(*fresh);
        fresh->stop();
        EXPECT_EQ(cut.code, 3) << fault.name << ": " << cut.err;
        const std::size_t at = cut.err.find("the trace ended early: ");
        ASSERT_NE(at, std::string::npos) << fault.name << ": " << cut.err;
        const int held = std::stoi(cut.err.substr(at + 23));
        EXPECT_NE(cut.err.find(std::to_string(held) + " of 150 samples"), std::string::npos) << cut.err;
        EXPECT_GT(held, 0) << fault.name;
        EXPECT_LT(held, 150) << fault.name;
        EXPECT_NE(cut.err.find("run.csv holds those"), std::string::npos) << cut.err;
        EXPECT_EQ(lines(readText(dir + "/run.csv")).size(), static_cast<std::size_t>(held) + 1) << fault.name;
    }
}

TEST_F(M9ctlDrive, ResultsLostOnAFullStandardOutputGiveExitFive)
{
    auto second = startDrive();
    const std::vector<std::vector<std::string>> kCommands{
        {"--help"},
        {"--port", device, "info"},
        {"--port", device, "alarms"},
        {"--port", device, "monitor", "--count", "1"},
        {"--port", device, "params", "get", "0x2001"},
        {"--port", device, "--port", second->devicePath(), "info"},
    };
    for (const auto &command : kCommands) {
        const Outcome full = m9ctl(command, dir, "/dev/full");
        EXPECT_EQ(full.code, 5) << command.back() << ": " << full.err;
        EXPECT_NE(full.err.find("cannot write the results to standard output"), std::string::npos)
            << command.back() << ": " << full.err;
    }
    second->stop();
}

// A script on a machine without a display asks the suite's programs what they
// are; the window program answers like m9ctl does instead of aborting.
TEST(ProgramOptions, HelpAndVersionNeedNoDisplay)
{
    const std::vector<std::string> noDisplay{"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                                             TARVEX_APP_PATH};
    const struct {
        std::vector<std::string> args;
        int code;
        const char *shows;
    } cases[] = {
        {{"--version"}, 0, "Tarvex_M9A 2.7"},
        {{"--help"}, 0, "--port <device>"},
        {{"-h"}, 0, "--monitor"},
        {{"--help", "--bogus"}, 2, ""},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = noDisplay;
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome run = runProgram("/usr/bin/env", args, std::filesystem::temp_directory_path().string());
        EXPECT_EQ(run.code, c.code) << c.args.front() << ": " << run.err;
        EXPECT_NE(run.out.find(c.shows), std::string::npos) << run.out;
    }
}

// "m9ctl ports" checks each device it lists: a user who may not open the
// on-board port is told so with the line that mends it. Root may open
// anything, so as root the run drops to nobody.
TEST(M9ctlPorts, EachDeviceSaysWhetherThisUserMayOpenIt)
{
    constexpr const char *kSetpriv = "/usr/bin/setpriv";
    const std::string port = "/dev/ttyS0";
    std::vector<std::string> prefix{"-u", "XDG_RUNTIME_DIR"};
    if (::geteuid() == 0) {
        if (::access(kSetpriv, X_OK) != 0)
            GTEST_SKIP() << "no setpriv to run as a normal user";
        prefix.insert(prefix.end(), {kSetpriv, "--reuid=65534", "--regid=65534", "--clear-groups"});
    }
    struct stat node {};
    if (::stat(port.c_str(), &node) != 0 || ((node.st_mode & S_IROTH) != 0 && (node.st_mode & S_IWOTH) != 0))
        GTEST_SKIP() << port << " is missing or open to everyone";
    if (::geteuid() != 0 && ::access(port.c_str(), R_OK | W_OK) == 0)
        GTEST_SKIP() << "this user may open " << port;
    const auto run = [&](std::vector<std::string> args) {
        std::vector<std::string> all = prefix;
        all.push_back(M9CTL_PATH);
        all.insert(all.end(), args.begin(), args.end());
        return runProgram("/usr/bin/env", all, "/");
    };
    const Outcome text = run({"ports"});
    ASSERT_EQ(text.code, 0) << text.err;
    // The device's line, then its notes indented under it.
    std::vector<std::string> notes;
    bool inDevice = false;
    for (const std::string &line : lines(text.out)) {
        if (line.rfind("    ", 0) != 0)
            inDevice = line.size() > 2 && line.compare(2, port.size() + 1, port + ":") == 0;
        else if (inDevice)
            notes.push_back(line.substr(4));
    }
    EXPECT_NE(std::find(notes.begin(), notes.end(),
                        "this user may not open it (after joining dialout, log out and in again); "
                        "remedy: sudo adduser $USER dialout"),
              notes.end())
        << text.out;

    const Outcome json = run({"ports", "--json"});
    ASSERT_EQ(json.code, 0) << json.err;
    const std::size_t item = json.out.find("{\"device\":\"" + port + "\"");
    ASSERT_NE(item, std::string::npos) << json.out;
    const std::string entry = json.out.substr(item, json.out.find('}', json.out.find("\"notes\"", item)) - item);
    EXPECT_NE(entry.find("\"mayOpen\":false"), std::string::npos) << entry;
    EXPECT_NE(entry.find("remedy: sudo adduser $USER dialout"), std::string::npos) << entry;
}
