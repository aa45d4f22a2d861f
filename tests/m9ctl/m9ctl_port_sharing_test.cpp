// One port, several programs: a port held by one m9ctl is refused to a
// second one whoever runs it, and a normal user may connect again and again
// to the same virtual drive.
#include "tests/m9ctl/m9ctl_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace m9test;

namespace {

constexpr uid_t kNobody = 65534;
constexpr const char *kSetpriv = "/usr/bin/setpriv";

// m9ctl started in the background with its output thrown away; stopped
// with SIGINT as a user stops it with Ctrl+C.
class BackgroundCtl {
public:
    explicit BackgroundCtl(const std::vector<std::string> &args)
    {
        pid_ = fork();
        if (pid_ == 0) {
            const int devnull = open("/dev/null", O_RDWR);
            dup2(devnull, STDIN_FILENO);
            dup2(devnull, STDOUT_FILENO);
            dup2(devnull, STDERR_FILENO);
            std::vector<char *> argv{const_cast<char *>(M9CTL_PATH)};
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(M9CTL_PATH, argv.data());
            _exit(127);
        }
    }
    ~BackgroundCtl() { stop(); }
    bool running() const { return pid_ > 0; }
    void stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGINT);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

} // namespace

// The exclusive flag of a pseudo-terminal outlives the descriptor while the
// drive holds its end; a link that left it set made the second connection
// of a normal user fail as busy. Root passes the flag by, so the runs drop
// to nobody when the tests run as root.
TEST_F(DriveTest, ANormalUserConnectsAgainAfterClosingThePort)
{
    std::vector<std::string> prefix;
    std::string where = dir;
    if (geteuid() == 0) {
        if (access(kSetpriv, X_OK) != 0)
            GTEST_SKIP() << "no setpriv to run as a normal user";
        ASSERT_EQ(chown(device.c_str(), kNobody, kNobody), 0);
        prefix = {"--reuid=65534", "--regid=65534", "--clear-groups", M9CTL_PATH};
        where = "/";
    }
    for (int run = 1; run <= 3; ++run) {
        std::vector<std::string> args = prefix;
        args.insert(args.end(), {"--port", device, "info"});
        const Outcome info = prefix.empty() ? m9ctl({"--port", device, "info"}, where)
                                            : runProgram(kSetpriv, args, where);
        EXPECT_EQ(info.code, 0) << "connection " << run << ": " << info.err;
        EXPECT_EQ(info.err.find("busy"), std::string::npos) << info.err;
    }
}

// Two programs on one port would interleave their frames and each take the
// other's replies: the second is refused with the busy port's message until
// the first has closed it, root or not.
TEST_F(DriveTest, ASecondProgramIsRefusedTheHeldPortUntilTheFirstClosesIt)
{
    const long long answeredBefore = drive->counters().framesAnswered;
    BackgroundCtl monitor({"--port", device, "monitor", "--rows", "1"});
    ASSERT_TRUE(monitor.running());
    ASSERT_TRUE(eventually([&] { return drive->counters().framesAnswered > answeredBefore + 2; }))
        << "the monitor never talked to the drive";

    const Outcome refused = ctl({"info"});
    EXPECT_EQ(refused.code, 3) << refused.out;
    EXPECT_NE(refused.err.find(device + ": Device or resource busy"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.out, "");

    monitor.stop();

    const Outcome after = ctl({"info"});
    EXPECT_EQ(after.code, 0) << after.err;
    EXPECT_EQ(after.out, "firmware 0132, version A0.27.3, servo off, alarm none\n");
}
