// The chart's way through time and its reference overlay: an hour of points
// decimated to what the screen can show without losing a peak; the wheel
// scrolls and Ctrl with the wheel zooms; a reference is drawn on each
// channel's own axis, survives a new set-up and is cleared from the menu.
#include "app/ui/chart/chart_history.h"
#include "tests/app/support/chart_menu_driver.h"
#include "app/ui/chart/chart_view.h"

#include <qcustomplot.h>

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <iostream>

namespace {

ChartSetup twoChannelSetup()
{
    ChartSetup s;
    s.channels[0] = {"Current Speed[rpm]", 3500, -3500, true};
    s.channels[1] = {"current Torque[%]", 200, -200, true};
    s.xCaption = "[ms]";
    s.xLast = 255;
    return s;
}

TEST(ChartDecimation, AnHourOfPointsBecomesTwoPerColumnKeepingEveryPeak)
{
    // One hour at 10 ms, a slow sine with one spike in it.
    const long points = 360'000;
    const auto value = [](long p) { return p == -123'457 ? 9000.0 : 1000.0 * std::sin(p / 5000.0); };
    QVector<double> keys;
    QVector<double> values;
    const auto begin = std::chrono::steady_clock::now();
    appendDecimated(-points, 0, 800, value, keys, values);
    const auto spent = std::chrono::steady_clock::now() - begin;
    EXPECT_LE(keys.size(), 1600);
    EXPECT_GE(keys.size(), 800);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << "the points keep their order";
    EXPECT_DOUBLE_EQ(*std::max_element(values.begin(), values.end()), 9000.0) << "the spike is kept";
    EXPECT_NEAR(*std::min_element(values.begin(), values.end()), -1000.0, 0.01);
    std::cout << "decimating an hour: " << std::chrono::duration<double, std::milli>(spent).count() << " ms\n";

    // A few points are drawn as they are.
    keys.clear();
    values.clear();
    appendDecimated(-10, 0, 800, value, keys, values);
    ASSERT_EQ(keys.size(), 10);
    EXPECT_EQ(keys.front(), -10);
    EXPECT_EQ(values.back(), value(-1));
}

class ChartNavigation : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(700, 450);
        view.setUp(twoChannelSetup());
        for (int i = 0; i < 256; ++i)
            view.setPoint(0, i, 1000 * std::sin(i / 15.0));
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    CChartView view;
};

TEST_F(ChartNavigation, CtrlAndTheWheelZoomAndTheWheelThenScrollsThroughTime)
{
    const auto [first, last] = view.timeView();
    tarvex::test::turnWheel(view, 3, Qt::ControlModifier);
    const auto [zoomedFirst, zoomedLast] = view.timeView();
    EXPECT_LT(zoomedLast - zoomedFirst, last - first) << "Ctrl and the wheel zoom in";
    EXPECT_FALSE(view.isFollowing());

    const double width = zoomedLast - zoomedFirst;
    tarvex::test::turnWheel(view, -2); // towards the user: forward in time
    auto [scrolledFirst, scrolledLast] = view.timeView();
    EXPECT_NEAR(scrolledLast - scrolledFirst, width, 1e-6) << "scrolling keeps the zoom";
    EXPECT_GT(scrolledFirst, zoomedFirst);
    // Never beyond the data's end; End shows the end with the same width.
    QTest::keyClick(view.plotWidget(), Qt::Key_End);
    std::tie(scrolledFirst, scrolledLast) = view.timeView();
    EXPECT_DOUBLE_EQ(scrolledLast, 255);
    EXPECT_NEAR(scrolledLast - scrolledFirst, width, 1e-6);
    EXPECT_TRUE(view.isFollowing());
    QTest::keyClick(view.plotWidget(), Qt::Key_Home);
    EXPECT_DOUBLE_EQ(view.timeView().first, 0) << "no history: the first point is the oldest";
}

TEST_F(ChartNavigation, AReferenceLiesOnEachChannelsAxisUntilCleared)
{
    // Channel 2's +-200 % axis beside channel 1's +-3500 rpm.
    view.setReference({std::vector<double>{100, 200}, std::vector<double>{50, -200}, {}, {}}, "before.mtg");
    ASSERT_TRUE(view.hasReference());
    EXPECT_EQ(view.referenceCount(0), 2);
    EXPECT_DOUBLE_EQ(view.referencePlotted(0, 1), 200);
    EXPECT_DOUBLE_EQ(view.referencePlotted(1, 0), 875) << "50 % of 200 is a quarter up channel 1's range";
    EXPECT_DOUBLE_EQ(view.referencePlotted(1, 1), -3500);
    const int graphs = view.plot()->graphCount();

    // A new set-up with other limits: the reference follows the new axis.
    ChartSetup other = twoChannelSetup();
    other.channels[1].max = 100;
    other.channels[1].min = -100;
    view.setUp(other);
    EXPECT_EQ(view.plot()->graphCount(), graphs);
    EXPECT_DOUBLE_EQ(view.referencePlotted(1, 0), 1750);

    bool loadOffered = false;
    view.setReferenceLoad([&] { loadOffered = true; });
    EXPECT_TRUE(view.referenceButton()->isVisibleTo(&view));
    ASSERT_TRUE(tarvex::test::chooseFromChartMenu(view, "Clear Reference"));
    EXPECT_FALSE(view.hasReference());
    EXPECT_EQ(view.plot()->graphCount(), 4);
    EXPECT_FALSE(tarvex::test::chooseFromChartMenu(view, "Clear Reference")) << "greyed without a reference";
    ASSERT_TRUE(tarvex::test::chooseFromChartMenu(view, "Load Reference..."));
    EXPECT_TRUE(loadOffered);
}

} // namespace
