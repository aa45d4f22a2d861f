// m9sim as a person runs it: it prints the device it serves on its first
// line, keeps a symbolic link to it, takes commands on standard input and
// ends cleanly on SIGTERM, removing its link. The link library talks to it
// through the link.
#include "tests/simulator/sim_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vq::simtest;

namespace {

// The program with its standard input and output connected to pipes.
class Program {
public:
    // `runtimeFolder`: XDG_RUNTIME_DIR for the program, unset when empty.
    explicit Program(const std::vector<std::string> &args, const std::string &runtimeFolder = {})
    {
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            close(in[1]);
            close(out[0]);
            close(err[0]);
            if (runtimeFolder.empty())
                unsetenv("XDG_RUNTIME_DIR");
            else
                setenv("XDG_RUNTIME_DIR", runtimeFolder.c_str(), 1);
            std::vector<char *> argv{const_cast<char *>(M9SIM_PATH)};
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(M9SIM_PATH, argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        input_ = in[1];
        output_ = fdopen(out[0], "r");
        errors_ = err[0];
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
        if (errors_ >= 0)
            close(errors_);
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
    // Its standard error: the first line, or (once it has ended) all of it.
    std::string errors(bool untilEnd = true)
    {
        while (errors_ >= 0 && (untilEnd || errorText_.find('\n') == std::string::npos)) {
            char chunk[1024];
            const ssize_t n = ::read(errors_, chunk, sizeof chunk);
            if (n <= 0)
                break;
            errorText_.append(chunk, static_cast<std::size_t>(n));
        }
        return errorText_;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    FILE *output_ = nullptr;
    int errors_ = -1;
    std::string errorText_;
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

// What is at the link path, and whether m9sim may take it: only a free name
// or a link of its own user to a pseudo-terminal (left by an earlier run).
// Anything else stops it before it serves, and stays as it was: another
// user's link would have this user's tools talk to that user's drive.
TEST(M9simProgram, TakesOnlyALinkPathThatIsItsOwn)
{
    const bool root = geteuid() == 0;
    struct Case {
        const char *what;
        bool runs;
        bool needsRoot;
    };
    const Case cases[] = {
        {"free", true, false},
        {"own link to a stale pseudo-terminal", true, false},
        {"another user's link to a pseudo-terminal", false, true},
        {"own link to something else", false, false},
        {"regular file", false, false},
        {"folder of another user", false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && !root)
            continue; // making another user's file takes root
        char dir[] = "/tmp/vq_m9sim_XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        std::string folder = dir;
        const std::string what = c.what;
        if (what == "folder of another user") {
            folder += "/theirs";
            ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
            ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
        }
        const std::string link = folder + "/ttyM9A";
        if (what == "own link to a stale pseudo-terminal")
            ASSERT_EQ(symlink("/dev/pts/999999", link.c_str()), 0);
        if (what == "another user's link to a pseudo-terminal") {
            ASSERT_EQ(symlink("/dev/pts/0", link.c_str()), 0);
            ASSERT_EQ(lchown(link.c_str(), 65534, 65534), 0);
        }
        if (what == "own link to something else")
            ASSERT_EQ(symlink("/etc/hostname", link.c_str()), 0);
        if (what == "regular file") {
            FILE *f = fopen(link.c_str(), "w");
            fputs("keep me", f);
            fclose(f);
        }
        struct stat before{};
        const bool existed = lstat(link.c_str(), &before) == 0;
        const std::string targetBefore = linkTarget(link);

        Program program({"--instant", "--no-catalogue", "--link", link});
        const std::string device = program.line();
        if (c.runs) {
            EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << program.errors(false);
            EXPECT_EQ(linkTarget(link), device);
            EXPECT_NE(program.errors(false).find("linked as " + link), std::string::npos);
            EXPECT_EQ(program.terminate(), 0);
            struct stat st{};
            EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link is removed at the end";
        } else {
            EXPECT_EQ(device, "") << "it served without its link";
            EXPECT_EQ(program.terminate(), 1);
            const std::string errors = program.errors();
            EXPECT_NE(errors.find("m9sim: will not "), std::string::npos) << errors;
            EXPECT_NE(errors.find(link), std::string::npos) << errors;
            struct stat after{};
            if (existed) {
                ASSERT_EQ(lstat(link.c_str(), &after), 0);
                EXPECT_EQ(after.st_mode, before.st_mode);
                EXPECT_EQ(after.st_uid, before.st_uid);
                EXPECT_EQ(after.st_ino, before.st_ino);
                EXPECT_EQ(linkTarget(link), targetBefore);
            } else {
                EXPECT_NE(lstat(link.c_str(), &after), 0) << "nothing is made in another's folder";
            }
        }
        std::filesystem::remove_all(dir);
    }
}

// Without --link the link goes into the user's runtime folder, and m9sim
// says where.
TEST(M9simProgram, LinksIntoTheRuntimeFolderByDefault)
{
    char dir[] = "/tmp/vq_m9sim_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr); // mode 0700: private
    Program program({"--instant", "--no-catalogue"}, dir);
    const std::string device = program.line();
    ASSERT_EQ(device.rfind("/dev/pts/", 0), 0u) << program.errors(false);
    const std::string link = std::string(dir) + "/ttyM9A";
    EXPECT_EQ(linkTarget(link), device);
    EXPECT_NE(program.errors(false).find("linked as " + link), std::string::npos) << program.errors(false);
    EXPECT_EQ(program.terminate(), 0);
    std::filesystem::remove_all(dir);
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
