// m9sim as a person runs it: it prints the device it serves on its first
// line, keeps a symbolic link to it, takes commands on standard input and
// ends cleanly on SIGTERM, removing its link. The link library talks to it
// through the link.
#include "sim_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vq::simtest;

namespace {

// The program with its standard input and output connected to pipes.
class Program {
public:
    explicit Program(const std::vector<std::string> &args)
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            close(in[1]);
            close(out[0]);
            std::vector<char *> argv{const_cast<char *>(M9SIM_PATH)};
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(M9SIM_PATH, argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = fdopen(out[0], "r");
    }
    ~Program()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (input_ >= 0)
            close(input_);
        if (output_)
            fclose(output_);
    }
    std::string line()
    {
        char buffer[1024] = {};
        if (!output_ || !fgets(buffer, sizeof buffer, output_))
            return {};
        std::string s(buffer);
        if (!s.empty() && s.back() == '\n')
            s.pop_back();
        return s;
    }
    void type(const std::string &text) { (void)!::write(input_, text.data(), text.size()); }
    int terminate()
    {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    FILE *output_ = nullptr;
    bool exited_ = false;
};

std::string linkTarget(const std::string &path)
{
    char target[256] = {};
    const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

} // namespace

TEST(M9simProgram, ServesThroughItsLinkTakesCommandsAndCleansUp)
{
    char dir[] = "/tmp/vq_m9sim_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/ttyM9A";
    const std::string catalogue = writeCatalogue(fixtureRows());
    Program program({"--instant", "--link", link, "--catalogue", catalogue, "--node", "3"});
    const std::string device = program.line();
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_EQ(linkTarget(link), device);

    {
        LinkSession session(link, 3);
        ASSERT_TRUE(session.connected());
        EXPECT_EQ(session.readSingle(158).values.at(0), 700); // from the catalogue
        program.type("drop 2\n");
        EXPECT_EQ(program.line(), "drop 2");
        EXPECT_EQ(session.readSingle(62, 0).status, 9);
        EXPECT_EQ(session.readSingle(62, 0).status, 0);
    }
    program.type("status\n");
    EXPECT_NE(program.line().find("servo off"), std::string::npos);
    EXPECT_EQ(program.terminate(), 0);
    struct stat st{};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed at the end";
    rmdir(dir);
}

TEST(M9simProgram, NeverReplacesAFileThatIsNoLink)
{
    char dir[] = "/tmp/vq_m9sim_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/precious";
    FILE *f = fopen(path.c_str(), "w");
    fputs("keep me", f);
    fclose(f);
    Program program({"--instant", "--no-catalogue", "--link", path});
    const std::string device = program.line();
    EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << "it still serves its device";
    EXPECT_EQ(program.terminate(), 0);
    struct stat st{};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    unlink(path.c_str());
    rmdir(dir);
}

TEST(M9simProgram, RefusesAMissingNamedCatalogueAndBadOptions)
{
    {
        Program program({"--no-link", "--catalogue", "/nonexistent/catalogue.mdb"});
        EXPECT_EQ(program.line(), "");
        EXPECT_EQ(program.terminate(), 1);
    }
    Program program({"--baud", "1234"});
    EXPECT_EQ(program.line(), "");
    EXPECT_EQ(program.terminate(), 2);
}
