// The trigger window's files: what a save after a capture writes, a load
// into a fresh window that restores every selection and replots without a
// word to the drive, and files that are not as the window writes them.
#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"
#include "tests/app/support/scratch_directory.h"
#include "tests/app/graphs/trigger/scripted_trigger.h"

#include <QComboBox>
#include <QSpinBox>

#include <fstream>
#include <functional>
#include <sstream>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::heldSample;
using TriggerFile = test::ScriptedTrigger;

std::vector<std::string> linesOf(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

QString qt(const std::filesystem::path &path) { return QString::fromStdString(path.string()); }

// A trigger file as the window writes it: channel c's sample i is worth
// 10 c + i unless `value` says otherwise; the first line carries
// `firstExtras`, every other line `otherExtras`.
std::string triggerFile(const std::array<int, 4> &indices, const std::string &firstExtras,
                        const std::string &otherExtras, int period, const std::string &limits,
                        const std::function<std::string(int, int)> &value = {})
{
    std::ostringstream out;
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 256; ++i)
            out << (i == 0 ? "Name" : std::to_string(indices[static_cast<std::size_t>(c)])) << "\t0.0 \t"
                << (value ? value(c, i) : std::to_string(10 * c + i)) << '\t'
                << (c == 0 && i == 0 ? firstExtras : otherExtras) << "\r\n";
    out << "Period\t" << period << "\r\n" << limits << "\r\n";
    return out.str();
}

TEST_F(TriggerFile, ASaveAfterACaptureWritesTheDisplaySamplesAndTheSetUp)
{
    captureWithStart(1);
    window->sourceList().setCurrentIndex(7);
    window->edgeList().setCurrentIndex(1);
    window->positionEdit().setValue(128);
    window->levelEdit().setValue(-250);
    test::ScratchDirectory dir;
    ASSERT_TRUE(window->SaveTo(qt(dir / "capture.mtg")));

    const auto lines = linesOf(dir / "capture.mtg");
    ASSERT_EQ(lines.size(), 4u * 256 + 2);
    EXPECT_EQ(lines[0], "Current Speed[rpm]\t0.0 \t" + std::to_string(heldSample(0, 1)) + "\t7\t1\t128\t-250\r");
    EXPECT_EQ(lines[10], "1\t2.0 \t" + std::to_string(heldSample(0, 11)) + "\t7\t1\t128\t-250\r");
    EXPECT_EQ(lines[255], "1\t51.0 \t" + std::to_string(heldSample(0, 0)) + "\t7\t1\t128\t-250\r");
    EXPECT_EQ(lines[256].substr(0, lines[256].find('\t')), "Command Speed[rpm]");
    EXPECT_EQ(lines[2 * 256].substr(0, lines[512].find('\t')), "current Torque[%]");
    EXPECT_EQ(lines[2 * 256 + 1].substr(0, 2), "4\t");
    EXPECT_EQ(lines[3 * 256 + 5].substr(0, 2), "5\t");
    EXPECT_EQ(lines[1024], "Period\t1\r");
    EXPECT_EQ(lines[1025], "3500\t-3500\t3500\t-3500\t200\t-200\t500\t0\r");
}

TEST_F(TriggerFile, ALoadIntoAFreshWindowRestoresEverythingAndSendsNothing)
{
    captureWithStart(9);
    window->periodEdit().setValue(5);
    window->sourceList().setCurrentIndex(15);
    window->edgeList().setCurrentIndex(1);
    window->positionEdit().setValue(64);
    window->levelEdit().setValue(1500);
    test::ScratchDirectory dir;
    ASSERT_TRUE(window->SaveTo(qt(dir / "capture.mtg")));
    const auto saved = window->displayBuffers();
    delete window.data();

    window = new CTriggerGraphDlg(drive.get());
    const std::size_t requests = scripted.requestCount();
    ASSERT_TRUE(window->OpenFrom(qt(dir / "capture.mtg")));
    test::pumpFor(20ms);
    EXPECT_EQ(scripted.requestCount(), requests) << "loading sends nothing to the drive";
    EXPECT_TRUE(messages.empty());

    EXPECT_EQ(window->displayBuffers(), saved);
    EXPECT_EQ(window->periodEdit().value(), 5);
    EXPECT_EQ(window->m_period, 5);
    EXPECT_EQ(window->sourceList().currentIndex(), 15);
    EXPECT_EQ(window->edgeList().currentIndex(), 1);
    EXPECT_EQ(window->positionEdit().value(), 64);
    EXPECT_EQ(window->levelEdit().value(), 1500);
    EXPECT_EQ(window->channelLists().indices(), (std::array<int, 4>{1, 2, 4, 5}));
    CChartView &chart = window->chart();
    EXPECT_EQ(chart.count(0), 256);
    EXPECT_EQ(chart.value(0, 3), saved[0][3]);
    // Channel 3 (torque, limits +-200) mapped into channel 1's +-3500.
    EXPECT_EQ(chart.value(2, 3), 7000LL * (saved[2][3] + 200) / 400 - 3500);
    EXPECT_EQ(chart.label(10), "10.0 ") << "labels follow the loaded period";
}

TEST_F(TriggerFile, ATriggerFileRestoresTheTriggerFromItsFirstLineAndBoundsEveryValue)
{
    test::ScratchDirectory dir;
    const std::string text = triggerFile(
        {99, 3, -4, 16}, "5\t1\t999\t100000", "9\t0\t1\t1", 5000, "40000\t-40000\t10\t0\t10\t0\t10\t0",
        [](int c, int i) { return c == 0 && i == 0 ? std::string("40000") : std::to_string(10 * c + i); });
    dir.write("odd.mtg", text);
    ASSERT_TRUE(window->OpenFrom(qt(dir / "odd.mtg")));
    EXPECT_EQ(window->sourceList().currentIndex(), 5);
    EXPECT_EQ(window->edgeList().currentIndex(), 1);
    EXPECT_EQ(window->positionEdit().value(), 255);
    EXPECT_EQ(window->levelEdit().text(), "100000") << "a level the register cannot hold is shown as the file has it";
    EXPECT_EQ(window->levelEdit().value(), std::nullopt) << "...and Apply refuses it"; 
    EXPECT_EQ(window->periodEdit().value(), 1000);
    EXPECT_EQ(window->channelLists().indices(), (std::array<int, 4>{0, 3, 0, 16}));
    EXPECT_EQ(window->displayBuffers()[0][0], 32767) << "a sample beyond 16 bits is bounded";
    EXPECT_EQ(window->displayBuffers()[1][1], 11);
    EXPECT_EQ(window->limits()[0].max, 40000);
    EXPECT_EQ(window->limits()[0].min, -40000);
}

TEST_F(TriggerFile, MissingLinesKeepThePreviousLoadAndBlankLinesDoNotCount)
{
    test::ScratchDirectory dir;
    dir.write("full.mtg", triggerFile({1, 1, 1, 1}, "0\t0\t0\t0", "0\t0\t0\t0", 1, "10\t0\t10\t0\t10\t0\t10\t0"));
    ASSERT_TRUE(window->OpenFrom(qt(dir / "full.mtg")));

    // Channel 1's first 100 samples, a blank line and a line without a tab
    // that must not count, then junk: nothing else.
    std::ostringstream shorter;
    for (int i = 0; i < 100; ++i)
        shorter << (i == 0 ? "Name" : "2") << "\t0.0 \t" << -i << "\t0\t0\t0\t0\r\n";
    shorter << "\r\n" << "notab\r\n" << "2\t0.0 \tjunk\t0\t0\t0\t0\r\n";
    dir.write("short.mtg", shorter.str());
    ASSERT_TRUE(window->OpenFrom(qt(dir / "short.mtg")));
    const auto &display = window->displayBuffers();
    EXPECT_EQ(display[0][99], -99);
    EXPECT_EQ(display[0][100], 0) << "text that is no number reads 0, in its own place";
    EXPECT_EQ(display[0][101], 101) << "what the short file lacks keeps the previous load";
    EXPECT_EQ(display[3][255], 30 + 255);
    EXPECT_EQ(window->channelLists().indices()[0], 2);
}

TEST_F(TriggerFile, AFileWhoseAxisLimitsHaveNoSpanIsShownWithTheDefaultLimitsAndSaysWhich)
{
    test::ScratchDirectory dir;
    const std::pair<const char *, const char *> cases[] = {
        {"7\t7\t3500\t-3500\t200\t-200\t500\t0", "Channel 1: max 7, min 7"},
        {"3500\t-3500\t-10\t10\t200\t-200\t500\t0", "Channel 2: max -10, min 10"},
    };
    for (const auto &[limits, named] : cases) {
        SCOPED_TRACE(limits);
        dir.write("limits.mtg", triggerFile({1, 2, 3, 4}, "0\t0\t0\t0", "0\t0\t0\t0", 1, limits));
        messages.clear();
        ASSERT_TRUE(window->OpenFrom(qt(dir / "limits.mtg")));
        window->show();
        window->chart().grab();
        ASSERT_EQ(messages.texts(), std::vector<std::string>{"Axis limits in the file cannot be drawn"});
        EXPECT_NE(messages.messages().front().detail.find(named), std::string::npos);
        for (std::size_t c = 0; c < 4; ++c) {
            EXPECT_LT(window->limits()[c].min, window->limits()[c].max) << c;
        }
        EXPECT_EQ(window->chart().count(0), 256);
    }
}

TEST_F(TriggerFile, FilesThatCannotBeOpenedOrCreatedAreReported)
{
    test::ScratchDirectory dir;
    EXPECT_FALSE(window->OpenFrom(qt(dir / "missing.mtg")));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Cannot Open Parameter File"});
    messages.clear();
    EXPECT_FALSE(window->SaveTo(qt(dir / "no-such-directory" / "capture.mtg")));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Cannot Save Parameter File"});
}

} // namespace
} // namespace tarvex
