// Saving and loading the three kinds of graph files, and the loading rules
// for files that are not as the program writes them.
#include "drive/capture/channel_catalog.h"
#include "drive/capture/channel_scaling.h"
#include "drive/capture/graph_file.h"

#include <gtest/gtest.h>

#include <limits>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tarvex::graphs;
namespace fs = std::filesystem;

namespace {

class GraphFiles : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() / ("graphfiles-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const char *name) { return (dir / name).string(); }

    static std::string slurp(const std::string &p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void spit(const std::string &p, const std::string &text)
    {
        std::ofstream(p, std::ios::binary) << text;
    }
};

GraphFileWriting capture(GraphKind kind, int period)
{
    GraphFileWriting w;
    w.kind = kind;
    w.period = period;
    w.listIndices = {1, 4, 7, 0};
    for (int c = 0; c < 4; ++c) {
        w.channelNames[c] = std::string(kChannelNames[w.listIndices[c]]);
        for (int i = 0; i < linesPerBlock(kind); ++i) {
            const int sample = (c + 1) * 1000 - i * 3;
            w.points[c].push_back({captureValueText(sample), captureTimeText(i, period)});
        }
    }
    w.limits = {{{3000, -3000}, {300, -300}, {400, 0}, {10, -10}}};
    w.trigger = {7, 1, 128, -250};
    return w;
}

} // namespace

TEST_F(GraphFiles, TriggerFileRoundTripsEveryField)
{
    const GraphFileWriting written = capture(GraphKind::Trigger, 1);
    ASSERT_TRUE(writeGraphFile(path("a.mtg"), written));
    GraphFileContents read;
    ASSERT_TRUE(readGraphFile(path("a.mtg"), GraphKind::Trigger, read));
    EXPECT_EQ(read.listIndices, written.listIndices);
    EXPECT_EQ(read.period, 1);
    EXPECT_EQ(read.trigger.source, 7);
    EXPECT_EQ(read.trigger.edge, 1);
    EXPECT_EQ(read.trigger.position, 128);
    EXPECT_EQ(read.trigger.level, -250);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(read.limits[c].max, written.limits[c].max);
        EXPECT_EQ(read.limits[c].min, written.limits[c].min);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(read.samples[c][i], (c + 1) * 1000 - i * 3);
    }
}

TEST_F(GraphFiles, LayoutIsNameThenIndexWithCrLfAndTheTrailingBlankOfTheTime)
{
    ASSERT_TRUE(writeGraphFile(path("b.mag"), capture(GraphKind::AlarmGraph, 1)));
    const std::string text = slurp(path("b.mag"));
    std::istringstream lines(text);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first, "Current Speed[rpm]\t0.0 \t1000\r");
    EXPECT_EQ(second, "1\t0.2 \t997\r");
    std::string line;
    int count = 2;
    std::string block2First;
    while (std::getline(lines, line)) {
        ++count;
        if (count == 129)
            block2First = line;
        if (count == 128 * 4 + 1)
            EXPECT_EQ(line, "Period\t1\r");
        if (count == 128 * 4 + 2)
            EXPECT_EQ(line, "3000\t-3000\t300\t-300\t400\t0\t10\t-10\r");
    }
    EXPECT_EQ(block2First, "current Torque[%]\t0.0 \t2000\r");
    EXPECT_EQ(count, 128 * 4 + 2);
}

TEST_F(GraphFiles, TraceValuesAreWrittenInFullAndLoadedAsTheirIntegerPart)
{
    GraphFileWriting w;
    w.kind = GraphKind::Trace;
    w.period = 21;
    w.listIndices = {1, 0, 0, 0};
    w.channelNames = {"Current Speed[rpm]", "Not Use", "Not Use", "Not Use"};
    w.points[0].push_back({traceValueText(-12.75), traceTimeText(0, 105)});
    w.points[0].push_back({traceValueText(99.5), traceTimeText(1, 105)});
    ASSERT_TRUE(writeGraphFile(path("c.mdg"), w));
    EXPECT_NE(slurp(path("c.mdg")).find("-12.750000"), std::string::npos);
    EXPECT_NE(slurp(path("c.mdg")).find("\t105.0 \t"), std::string::npos);
    GraphFileContents read;
    read.samples[0].assign(361, 77);
    ASSERT_TRUE(readGraphFile(path("c.mdg"), GraphKind::Trace, read));
    EXPECT_EQ(read.samples[0][0], -12);
    EXPECT_EQ(read.samples[0][1], 99);
    EXPECT_EQ(read.samples[0][2], 0); // a trace starts from zeros
    EXPECT_EQ(read.period, 21);
}

TEST_F(GraphFiles, BlankLinesAndLinesWithoutATabDoNotShiftTheNumbering)
{
    ASSERT_TRUE(writeGraphFile(path("d.mag"), capture(GraphKind::AlarmGraph, 3)));
    std::string text = slurp(path("d.mag"));
    // A blank line, a line of spaces and a tab-less comment between blocks.
    const std::size_t at = text.find("current Torque");
    text.insert(at, "\r\n   \r\nnote without tabs\r\n\tstarts with a tab\r\n");
    spit(path("d.mag"), text);
    GraphFileContents read;
    ASSERT_TRUE(readGraphFile(path("d.mag"), GraphKind::AlarmGraph, read));
    EXPECT_EQ(read.samples[1][0], 2000);
    EXPECT_EQ(read.samples[3][127], 4000 - 127 * 3);
    EXPECT_EQ(read.period, 3);
}

TEST_F(GraphFiles, ShortFilesKeepThePreviousCaptureAndJunkReadsAsZero)
{
    GraphFileContents read;
    ASSERT_TRUE(writeGraphFile(path("e.mtg"), capture(GraphKind::Trigger, 2)));
    ASSERT_TRUE(readGraphFile(path("e.mtg"), GraphKind::Trigger, read));
    spit(path("f.mtg"), "Current Speed[rpm]\t0.0 \tabc\t3\t0\t10\t20\r\n5\t0.4 \t42\t1\t1\t1\t1\r\n");
    ASSERT_TRUE(readGraphFile(path("f.mtg"), GraphKind::Trigger, read));
    EXPECT_EQ(read.samples[0][0], 0);  // not a number
    EXPECT_EQ(read.samples[0][1], 42);
    EXPECT_EQ(read.samples[0][2], 1000 - 2 * 3); // kept from the earlier load
    EXPECT_EQ(read.listIndices[0], 5);
    // Trigger settings come from the first line only.
    EXPECT_EQ(read.trigger.source, 3);
    EXPECT_EQ(read.trigger.position, 10);
    EXPECT_EQ(read.trigger.level, 20);
}

TEST_F(GraphFiles, LinesAfterTheLimitsLineAreIgnoredAndMissingFilesFail)
{
    ASSERT_TRUE(writeGraphFile(path("g.mag"), capture(GraphKind::AlarmGraph, 1)));
    std::string text = slurp(path("g.mag")) + "1\t2\t3\t4\t5\t6\t7\t8\r\n";
    spit(path("g.mag"), text);
    GraphFileContents read;
    ASSERT_TRUE(readGraphFile(path("g.mag"), GraphKind::AlarmGraph, read));
    EXPECT_EQ(read.limits[0].max, 3000);
    EXPECT_FALSE(readGraphFile(path("missing.mag"), GraphKind::AlarmGraph, read));
    EXPECT_FALSE(writeGraphFile((dir / "no-such-dir" / "x.mag").string(), capture(GraphKind::AlarmGraph, 1)));
}

TEST(ChannelCodes, IndexThenIndexPlusThreeFromEightOn)
{
    EXPECT_EQ(channelCode(0), 0);
    EXPECT_EQ(channelCode(7), 7);
    EXPECT_EQ(channelCode(8), 11);  // SVON(Digital Input)
    EXPECT_EQ(channelCode(16), 19); // INPOS(Digital Output)
    EXPECT_EQ(triggerSourceCode(7), 11);   // Servo On
    EXPECT_EQ(triggerSourceCode(15), 19);  // Alarm
    EXPECT_EQ(triggerSourceCode(16), 20);  // the blank last entry
    EXPECT_EQ(triggerSourceCode(0), 1);
}

TEST(ChannelScaling, MapsTheOwnRangeOntoChannelOnes)
{
    const AxisLimits one{3500, -3500};
    const AxisLimits torque{200, -200};
    EXPECT_EQ(mapToPrimary(-200, torque, one), -3500);
    EXPECT_EQ(mapToPrimary(200, torque, one), 3500);
    EXPECT_EQ(mapToPrimary(1, torque, one), 17); // 7000 * 201 / 400 - 3500, truncated
    EXPECT_EQ(mapDcLinkToPrimary(3105, {500, 0}, one), static_cast<int>((310.5) * 7000 / 500 - 3500));
    EXPECT_EQ(displaySample(3105, kDcLinkIndex), 310);
    EXPECT_EQ(displaySample(3105, 1), 3105);
}

TEST(ChannelScaling, ExtremeLimitsPinTheValueInsteadOfWrappingIt)
{
    // Limits a crafted file may bring, within the bound every file is kept to.
    const AxisLimits wide{kAxisLimitBound, -kAxisLimitBound};
    const AxisLimits narrow{-kAxisLimitBound + 1, -kAxisLimitBound};
    EXPECT_EQ(mapToPrimary(32767, narrow, wide), std::numeric_limits<int>::max()) << "far above: pinned on top";
    EXPECT_EQ(mapToPrimary(-32768, AxisLimits{kAxisLimitBound, kAxisLimitBound - 1}, wide),
              std::numeric_limits<int>::min());
    EXPECT_EQ(mapDcLinkToPrimary(32767, narrow, wide), std::numeric_limits<int>::max());
    EXPECT_EQ(mapDcLinkToPrimary(-32768, AxisLimits{kAxisLimitBound, kAxisLimitBound - 1}, wide),
              std::numeric_limits<int>::min());
    EXPECT_EQ(mapToPrimary(-999990, narrow, wide), 2 * kAxisLimitBound * 10 - kAxisLimitBound) << "in range: exact";
}

TEST(ChannelScaling, EqualLimitsDrawFlatAtTheBottomInsteadOfDividingByZero)
{
    const AxisLimits one{3500, -3500};
    EXPECT_EQ(mapToPrimary(1234, {50, 50}, one), -3500);
    EXPECT_EQ(mapDcLinkToPrimary(1234, {50, 50}, one), -3500);
    EXPECT_FLOAT_EQ(physicalToPlotted(10.f, {7, 7}, one), -3500.f);
    EXPECT_FLOAT_EQ(plottedToPhysical(0.f, {200, -200}, {5, 5}), -200.f);
    // A round trip through new limits.
    const float physical = plottedToPhysical(1750.f, {200, -200}, one);
    EXPECT_FLOAT_EQ(physical, 100.f);
    EXPECT_FLOAT_EQ(physicalToPlotted(physical, {100, 0}, {1000, 0}), 1000.f);
}
