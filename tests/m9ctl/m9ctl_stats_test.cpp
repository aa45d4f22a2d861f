// m9ctl --stats and --log-frames end to end: the built program with the real
// link library against a virtual drive whose faults are counted exactly in
// the statistics it prints, and whose exchanges' bytes land in the log file.
#include "tests/m9ctl/m9ctl_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>

using namespace m9test;
using Drive = vq::sim::VirtualDrive;

namespace {

class M9ctlStats : public DriveTest {};

// The "  Label: value" lines m9ctl prints on standard error.
std::map<std::string, std::string> statisticsOf(const std::string &err)
{
    std::map<std::string, std::string> rows;
    const std::regex row("^  ([A-Za-z ]+): (.*)$");
    for (const std::string &line : lines(err)) {
        std::smatch m;
        if (std::regex_match(line, m, row))
            rows[m[1]] = m[2];
    }
    return rows;
}

long number(std::map<std::string, std::string> &rows, const std::string &label)
{
    EXPECT_TRUE(rows.count(label)) << label;
    return rows.count(label) ? std::stol(rows[label]) : -1;
}

const char *const kFailureRows[] = {"No reply",  "Bad CRC",   "Other node", "Foreign reply",
                                    "Late reply", "Exception", "Cut short",  "Line error"};

std::string hex(const std::vector<std::uint8_t> &bytes)
{
    std::string text;
    for (std::uint8_t b : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, "%s%02X", text.empty() ? "" : " ", b);
        text += two;
    }
    return text;
}

} // namespace

TEST_F(M9ctlStats, StatisticsCountEachInjectedFaultExactly)
{
    const Outcome clean = ctl({"--stats", "info"});
    ASSERT_EQ(clean.code, 0) << clean.err;
    auto base = statisticsOf(clean.err);
    EXPECT_NE(clean.err.find("link statistics, port " + device + ", node 0:"), std::string::npos) << clean.err;
    for (const char *failure : kFailureRows)
        EXPECT_EQ(base[failure], "0") << failure;
    const long exchanges = number(base, "Exchanges");
    EXPECT_EQ(number(base, "Accepted"), exchanges);
    EXPECT_EQ(number(base, "Retries"), 0);
    EXPECT_NE(base["Round trip"].find("min "), std::string::npos) << base["Round trip"];

    struct Case {
        const char *row;
        std::function<void(Drive &)> inject;
        long struck;
        const char *alsoCounted; // the late reply's own attempt saw no reply
    };
    const Case cases[] = {
        {"No reply", [](Drive &d) { d.dropNextReplies(2); }, 2, nullptr},
        {"Bad CRC", [](Drive &d) { d.corruptNextReplies(3); }, 3, nullptr},
        {"Other node", [](Drive &d) { d.answerNextFromOtherNode(2); }, 2, nullptr},
        {"Exception", [](Drive &d) { d.refuseNextReplies(4, 2); }, 2, nullptr},
        {"Late reply", [](Drive &d) { d.delayNextReplies(1, 700); }, 1, "No reply"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.row);
        c.inject(*drive);
        const Outcome run = ctl({"--stats", "info"});
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.out, clean.out) << "the faults changed what the drive told";
        auto rows = statisticsOf(run.err);
        for (const char *failure : kFailureRows) {
            const bool injected = failure == std::string(c.row) || (c.alsoCounted && failure == std::string(c.alsoCounted));
            EXPECT_EQ(number(rows, failure), injected ? c.struck : 0) << failure;
        }
        if (c.row == std::string("Exception"))
            EXPECT_EQ(rows["Exception"], "2 (code 4: 2)");
        const long markers = number(rows, "Markers");
        EXPECT_EQ(number(rows, "Exchanges"), exchanges + c.struck + markers);
        EXPECT_EQ(number(rows, "Retries"), c.struck + markers);
        EXPECT_EQ(number(rows, "Accepted"), exchanges);
    }
}

TEST_F(M9ctlStats, TheFrameLogFileHoldsTheRequestsRepliesAndVerdicts)
{
    drive->dropNextReplies(1);
    const std::string path = dir + "/frames.log";
    const Outcome run = ctl({"--log-frames", path, "info"});
    ASSERT_EQ(run.code, 0) << run.err;
    const std::vector<std::string> log = lines(readText(path));
    ASSERT_GE(log.size(), 5u);
    EXPECT_EQ(log[0].rfind("# Link frame log: ", 0), 0u) << log[0];

    // The connection check: register 0, once unanswered, then answered.
    const std::string request = hex(vq::simtest::withCrc({0x00, 0x03, 0x00, 0x00, 0x00, 0x01}));
    const std::uint16_t state = drive->registerValue(0);
    const std::string reply = hex(vq::simtest::withCrc(
        {0x00, 0x03, 0x02, static_cast<std::uint8_t>(state >> 8), static_cast<std::uint8_t>(state & 0xFF)}));
    const std::string time = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{6}Z )";
    const std::string expected[] = {
        time + "request " + request,
        time + "reply   - : no reply, status 9",
        time + "request " + request,
        time + "reply   " + reply + " : accepted, status 0",
    };
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_TRUE(std::regex_match(log[i + 1], std::regex(expected[i]))) << log[i + 1] << "\n  expected " << expected[i];

    // Several drives never write one log file.
    const Outcome shared = m9ctl({"--port", device, "--port", "/dev/null/none", "--log-frames", path, "info"}, dir);
    EXPECT_EQ(shared.code, 2) << shared.err;
    EXPECT_NE(shared.err.find("would both write"), std::string::npos) << shared.err;
}

// Nodes sharing one line share its open link: each node's figures and log
// file are its own.
TEST(M9ctlStatsOnOneLine, EachNodeGetsItsOwnFiguresAndFrameLog)
{
    vq::sim::DriveOptions options;
    options.node = 1;
    options.otherNodes = {2};
    Drive line(options, vq::simtest::loadFixture());
    std::string error;
    ASSERT_TRUE(line.start(error)) << error;
    const std::string dir = temporaryDirectory();
    line.dropNextReplies(2); // node 1's connection check, asked first
    const Outcome run = m9ctl({"--port", line.devicePath(), "--node", "1", "--node", "2", "--stats", "--log-frames",
                               dir + "/frames-{node}.log", "info"},
                              dir);
    ASSERT_EQ(run.code, 0) << run.err;
    std::map<int, std::map<std::string, std::string>> byNode;
    const std::regex row("^" + line.devicePath() + " node ([12]): +([A-Za-z ]+): (.*)$");
    for (const std::string &text : lines(run.err)) {
        std::smatch m;
        if (std::regex_match(text, m, row))
            byNode[std::stoi(m[1])][m[2]] = m[3];
    }
    ASSERT_EQ(byNode.size(), 2u) << run.err;
    EXPECT_EQ(byNode[1]["No reply"], "2") << run.err;
    EXPECT_EQ(byNode[2]["No reply"], "0") << run.err;
    EXPECT_EQ(byNode[2]["Retries"], "0") << run.err;
    EXPECT_EQ(byNode[1]["Accepted"], byNode[2]["Accepted"]) << "the same command on each";

    const std::string first = readText(dir + "/frames-1.log");
    const std::string second = readText(dir + "/frames-2.log");
    EXPECT_NE(first.find("no reply, status 9"), std::string::npos) << first;
    EXPECT_EQ(second.find("no reply"), std::string::npos) << second;
    EXPECT_EQ(second.find("request 01 "), std::string::npos) << "node 1's frames in node 2's log:\n" << second;
    EXPECT_NE(second.find("request 02 03 "), std::string::npos) << second;
    line.stop();
    std::filesystem::remove_all(dir);
}
