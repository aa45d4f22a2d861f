// The adapter doctor's findings: the latency timer from a made-up sysfs,
// a real process that holds a pseudo-terminal found through the real
// /proc, the known grabbers of a made-up process table, and whether the
// device may be opened, each with the line that mends it.
#include "drive/connection/adapter_doctor.h"
#include "tests/app/support/scratch_directory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace fs = std::filesystem;

namespace tarvex {
namespace {

std::vector<std::string> lines(const AdapterCheckup &checkup)
{
    std::vector<std::string> out;
    for (const AdapterFinding &finding : checkup.findings())
        out.push_back(finding.line());
    return out;
}

std::string joined(const std::vector<std::string> &all)
{
    std::string text;
    for (const std::string &line : all)
        text += line + "\n";
    return text;
}

bool hasLine(const std::vector<std::string> &all, const std::string &line)
{
    return std::find(all.begin(), all.end(), line) != all.end();
}

bool anyLineStartsWith(const std::vector<std::string> &all, const std::string &start)
{
    return std::any_of(all.begin(), all.end(), [&](const std::string &l) { return l.rfind(start, 0) == 0; });
}

TEST(AdapterDoctor, TheLatencyTimerGetsItsRemedyOnlyAboveOneMillisecond)
{
    struct Case {
        const char *attribute; // nullptr: the driver has no latency timer
        std::optional<int> timer;
        bool remedy;
    };
    for (const Case &c : {Case{"16\n", 16, true}, Case{"1\n", 1, false}, Case{nullptr, std::nullopt, false},
                          Case{"sixteen\n", std::nullopt, false}, Case{"9999\n", std::nullopt, false}}) {
        SCOPED_TRACE(c.attribute ? c.attribute : "(none)");
        test::ScratchDirectory sysfs;
        test::ScratchDirectory proc;
        fs::create_directories(sysfs / "class/tty/ttyUSB0/device");
        if (c.attribute)
            sysfs.write("class/tty/ttyUSB0/device/latency_timer", c.attribute);
        const AdapterCheckup checkup =
            examineAdapter("/dev/ttyUSB0", {sysfs.path().string(), proc.path().string(), "/nonexistent"});
        EXPECT_EQ(checkup.latencyTimerMs, c.timer);
        const std::string remedy =
            "latency timer 16 ms (at 1 ms the adapter passes replies on at once); remedy: echo 1 | sudo tee " +
            (sysfs.path() / "bus/usb-serial/devices/ttyUSB0/latency_timer").string();
        EXPECT_EQ(hasLine(lines(checkup), remedy), c.remedy);
        EXPECT_EQ(anyLineStartsWith(lines(checkup), "latency timer"), c.timer.has_value());
        EXPECT_EQ(hasLine(lines(checkup), "latency timer 1 ms"), c.timer == 1);
    }
}

// A child that holds a pseudo-terminal's slave open and sleeps; ended and
// reaped however the test ends.
class PtyHolder {
public:
    PtyHolder()
    {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
            return;
        char name[128];
        if (ptsname_r(master_, name, sizeof name) != 0)
            return;
        slave_ = name;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, name, O_RDWR | O_NOCTTY, 0);
        char sleep[] = "sleep";
        char seconds[] = "600";
        char *argv[] = {sleep, seconds, nullptr};
        if (posix_spawnp(&pid_, "sleep", &actions, nullptr, argv, environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~PtyHolder()
    {
        end();
        if (master_ >= 0)
            ::close(master_);
    }
    void end()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
    }
    pid_t pid() const { return pid_; }
    const std::string &slave() const { return slave_; }

private:
    int master_ = -1;
    pid_t pid_ = 0;
    std::string slave_;
};

TEST(AdapterDoctor, AProcessThatHoldsTheDeviceIsNamedWithItsPid)
{
    PtyHolder child;
    ASSERT_GT(child.pid(), 0) << "could not start sleep on a pseudo-terminal";
    test::ScratchDirectory sysfs;
    const DoctorRoots roots{sysfs.path().string(), "/proc", "/nonexistent"};
    const std::string pid = std::to_string(child.pid());
    const std::string expected = "held by sleep (PID " + pid + "); remedy: kill " + pid;
    // The child opens the slave itself; wait for it with a generous deadline.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::vector<std::string> found;
    do {
        found = lines(examineAdapter(child.slave(), roots));
        if (hasLine(found, expected))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    EXPECT_TRUE(hasLine(found, expected)) << joined(found);
    EXPECT_TRUE(hasLine(found, "this user may open it"));

    child.end();
    EXPECT_TRUE(examineAdapter(child.slave(), roots).holders.empty());
}

TEST(AdapterDoctor, KnownGrabbersAreNamedWithTheLineThatMakesThemLetGo)
{
    test::ScratchDirectory sysfs;
    test::ScratchDirectory proc;
    // brltty holds the adapter; ModemManager runs with its files out of
    // sight; an editor holds another file; the asking process holds the
    // adapter too, which does not count.
    proc.write("812/comm", "brltty\n");
    fs::create_directories(proc / "812/fd");
    fs::create_symlink("/dev/ttyUSB0", proc / "812/fd/5");
    proc.write("640/comm", "ModemManager\n");
    proc.write("700/comm", "vim\n");
    fs::create_directories(proc / "700/fd");
    fs::create_symlink("/home/user/notes.txt", proc / "700/fd/3");
    proc.write("900/comm", "Tarvex_M9A\n");
    fs::create_directories(proc / "900/fd");
    fs::create_symlink("/dev/ttyUSB0", proc / "900/fd/7");
    proc.write("self/comm", "not a process\n");
    const DoctorRoots roots{sysfs.path().string(), proc.path().string(), "/nonexistent", 900};

    const std::vector<AdapterCheckup> checkups = examineAdapters({"/dev/ttyUSB0", "/dev/ttyS0"}, roots);
    ASSERT_EQ(checkups.size(), 2u);
    EXPECT_EQ(checkups[0].holders, (std::vector<DeviceHolder>{{"ModemManager", 640, false}, {"brltty", 812, true}}))
        << joined(lines(checkups[0]));
    const auto adapter = lines(checkups[0]);
    EXPECT_TRUE(hasLine(adapter, "held by brltty (PID 812); remedy: sudo apt remove brltty"));
    EXPECT_TRUE(hasLine(adapter, "ModemManager (PID 640) runs and may take it; remedy: sudo systemctl stop ModemManager"));
    // An on-board port is no modem manager's prey, and nobody holds it.
    EXPECT_TRUE(checkups[1].holders.empty());

    // The virtual drive keeps its own link open: it is named, but nobody is
    // told to end it.
    proc.write("950/comm", "m9sim\n");
    fs::create_directories(proc / "950/fd");
    fs::create_symlink("/dev/pts/7", proc / "950/fd/4");
    const auto link = lines(examineAdapter("/dev/pts/7", roots));
    EXPECT_TRUE(hasLine(link, "served by the virtual drive, m9sim (PID 950)")) << joined(link);
}

TEST(AdapterDoctor, SaysWhetherThisUserMayOpenTheDevice)
{
    test::ScratchDirectory dir;
    dir.write("open", "");
    dir.write("closed", "");
    fs::permissions(dir / "closed", fs::perms::none);
    const bool root = ::geteuid() == 0; // root may open anything
    struct Case {
        std::string device;
        std::string line;
    };
    for (const Case &c : {Case{(dir / "open").string(), "this user may open it"},
                          Case{(dir / "missing").string(), "there is no such device"},
                          Case{(dir / "closed").string(),
                               root ? "this user may open it"
                                    : "this user may not open it (after joining dialout, log out and in again); "
                                      "remedy: sudo adduser $USER dialout"}}) {
        SCOPED_TRACE(c.device);
        const auto found = lines(examineAdapter(c.device, {dir.path().string(), dir.path().string(), "/nonexistent"}));
        EXPECT_EQ(found.back(), c.line);
    }
}

} // namespace
} // namespace tarvex
