// What m9ctl makes of files that are not what they should be: cut short,
// not regular, too large, or a disk that fails while it saves. The drive
// is asked afterwards what it holds.
#include "tests/m9ctl/m9ctl_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

using namespace m9test;

namespace {

class M9ctlFiles : public DriveTest {
protected:
    // m9ctl killed after a generous deadline, so a read that blocks fails the
    // case instead of hanging the suite.
    Outcome bounded(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"60", M9CTL_PATH, "--port", device});
        return runProgram("/usr/bin/timeout", args, dir);
    }
    // m9ctl with files limited to one 512-byte block, as on a full disk:
    // a write beyond it fails (EFBIG) instead of stopping the program.
    Outcome onFullDisk(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" \"$@\"", M9CTL_PATH, "--port", device});
        return runProgram("/bin/sh", args, dir);
    }
    std::vector<std::string> entries()
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

} // namespace

TEST_F(M9ctlFiles, AFileCutShortOrWithAnOverlongLineIsRefusedWithLineAndColumnAndNothingWritten)
{
    ASSERT_EQ(ctl({"params", "save", "backup.mpa"}).code, 0);
    std::string text = readText(dir + "/backup.mpa");
    const std::size_t at = text.find("0x2001\t0.\t100\r\n");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 15, "0x2001\t0.\t250\r\n");
    const std::size_t lineCount = lines(text).size();
    std::string lastLine = lines(text).back();
    lastLine.pop_back(); // its CR

    struct Case {
        const char *name;
        std::string contents;
        std::string where;
    };
    const std::string cutLast = text.substr(0, text.size() - 3); // the line end and the value's last digit gone
    const Case cases[] = {
        {"cut inside its last value", cutLast,
         "line " + std::to_string(lineCount) + ", column " + std::to_string(lastLine.size()) + ":"},
        {"without its final line end", text.substr(0, text.size() - 2),
         "line " + std::to_string(lineCount) + ", column " + std::to_string(lastLine.size() + 1) + ":"},
        {"with an overlong line", text + std::string(300, '7') + "\r\n",
         "line " + std::to_string(lineCount + 1) + ", column 256:"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeText(dir + "/damaged.mpa", c.contents);
        for (const char *command : {"load", "diff"}) {
            const Outcome run = ctl({"params", command, "damaged.mpa"});
            EXPECT_EQ(run.code, 5) << command << ": " << run.out;
            EXPECT_NE(run.err.find(c.where), std::string::npos) << command << ": " << run.err;
        }
    }
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 100);
}

TEST_F(M9ctlFiles, WhatIsNotARegularFileOfItsKindsSizeIsRefusedAtOnce)
{
    ASSERT_EQ(::mkfifo((dir + "/fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir + "/folder");
    writeText(dir + "/huge.mpa", std::string(2u << 20, '\n'));
    writeText(dir + "/huge.hex", "\n");
    std::filesystem::resize_file(dir + "/huge.hex", 80u << 20); // sparse: refused by its size, never read
    struct Case {
        std::vector<std::string> args;
        const char *reason;
    };
    const Case cases[] = {
        {{"params", "load", "/dev/zero"}, "not a regular file"},
        {{"params", "load", "fifo"}, "not a regular file"},
        {{"params", "diff", "folder"}, "a folder, not a file"},
        {{"params", "load", "huge.mpa"}, "larger than 256 KB"},
        {{"flash", "fifo", "--yes"}, "not a regular file"},
        {{"flash", "huge.hex", "--yes"}, "larger than 65536 KB"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args[2]);
        const Outcome run = bounded(c.args);
        EXPECT_EQ(run.code, 5) << run.out << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
    EXPECT_EQ(drive->registerValue(kInertiaRatioAddress), 100);
}

TEST_F(M9ctlFiles, ASaveThatFailsLeavesTheOldFileByteForByteAndNoNewFile)
{
    const std::vector<std::string> trace = {"trace", "--channels", "1,2,3,4", "--period", "13", "--seconds", "1", "-o"};
    struct Case {
        const char *file;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"backup.mpa", {"params", "save"}},
        {"run.mdg", trace},
        {"run.csv", trace},
    };
    const std::string old = "what was there before\r\n";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        std::vector<std::string> args = c.args;
        args.push_back(c.file);
        writeText(dir + "/" + c.file, old);
        ASSERT_EQ(::chmod((dir + "/" + c.file).c_str(), 0640), 0);
        const Outcome over = onFullDisk(args);
        EXPECT_EQ(over.code, 5) << over.out;
        EXPECT_NE(over.err.find("File too large"), std::string::npos) << over.err;
        EXPECT_EQ(readText(dir + "/" + c.file), old);
        EXPECT_EQ(entries(), std::vector<std::string>{c.file}) << "no temporary file is left";

        std::filesystem::remove(dir + "/" + c.file);
        const Outcome fresh = onFullDisk(args);
        EXPECT_EQ(fresh.code, 5) << fresh.out;
        EXPECT_TRUE(entries().empty()) << "a new file that could not be written is not left empty";

        // Saved whole, the file keeps the permissions the old one had.
        writeText(dir + "/" + c.file, old);
        ASSERT_EQ(::chmod((dir + "/" + c.file).c_str(), 0640), 0);
        const Outcome saved = ctl(args);
        EXPECT_EQ(saved.code, 0) << saved.err;
        EXPECT_NE(readText(dir + "/" + c.file), old);
        struct stat st{};
        ASSERT_EQ(::stat((dir + "/" + c.file).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u);
        std::filesystem::remove(dir + "/" + c.file);
    }
}
