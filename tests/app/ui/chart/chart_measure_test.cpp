// Measuring on the chart with the mouse as the user does: a click sets
// cursor 1, a shift-click cursor 2, and the read-out gives the time between
// them, its reciprocal and each channel's change in its own units; a click
// on a legend entry hides its channel and a second click shows it again; no
// legend box stands on the chart while no channel is chosen.
#include "tests/app/support/chart_menu_driver.h"
#include "app/ui/chart/chart_view.h"

#include <qcustomplot.h>

#include <QContextMenuEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

ChartSetup speedAndTorque()
{
    ChartSetup s;
    s.channels = {{{"Current Speed[rpm]", 3500, -3500, true},
                   {"current Torque[%]", 200, -200, true},
                   {"Not Use", 200, -200, false},
                   {"Not Use", 500, 0, false}}};
    s.xCaption = "[ms]";
    s.xLast = 255;
    return s;
}

class ChartMeasure : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(800, 500);
        view.setUp(speedAndTorque());
        // Speed rises 10 rpm a point; torque 1 % a point, drawn on the
        // speed's axis (3500 / 200 = 17.5 per %).
        for (int i = 0; i < 256; ++i) {
            view.setPoint(0, i, 10.0 * i);
            view.setPoint(1, i, 17.5 * (i - 100));
            view.setLabel(i, QString::asprintf("%.1f ", i * 0.2));
        }
        view.redraw();
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.plot()->replot();
    }

    // Clicks the plot over point `index` through the window.
    void clickAt(int index, Qt::KeyboardModifiers modifiers = {})
    {
        QCustomPlot *plot = view.plot();
        const QPoint inPlot(static_cast<int>(plot->xAxis->coordToPixel(index)), plot->axisRect()->rect().center().y());
        QTest::mouseClick(view.windowHandle(), Qt::LeftButton, modifiers, plot->mapTo(&view, inPlot));
        QTest::qWait(20);
    }

    void clickLegendEntry(int entry)
    {
        QCustomPlot *plot = view.plot();
        const QPoint at = plot->legend->item(entry)->rect().center();
        QTest::mouseClick(view.windowHandle(), Qt::LeftButton, {}, plot->mapTo(&view, at));
        QTest::qWait(20);
    }

    CChartView view;
};

} // namespace

TEST_F(ChartMeasure, TwoCursorsMeasureTheTimeItsReciprocalAndEachChannelsChange)
{
    clickAt(10);
    EXPECT_DOUBLE_EQ(view.measureCursor(0), 10);
    EXPECT_TRUE(view.measurementText().isEmpty()) << "one cursor measures nothing yet";
    clickAt(60, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(view.measureCursor(1), 60);

    // From the point labels: 2.0 ms to 12.0 ms.
    QString text = view.measurementText();
    EXPECT_TRUE(text.contains(QString::fromUtf8("\u0394t: 10 ms"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("1/\u0394t: 100 Hz"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("\u0394 Current Speed[rpm]: 500"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("\u0394 current Torque[%]: 50"))) << text.toStdString();

    // With the spacing known the labels' rounding does not count.
    view.setPointSpacing(0.021);
    text = view.measurementText();
    EXPECT_TRUE(text.contains(QString::fromUtf8("\u0394t: 1050 ms"))) << text.toStdString();

    // A drag pans and sets no cursor.
    QCustomPlot *plot = view.plot();
    const int y = plot->axisRect()->rect().center().y();
    const QPoint from = plot->mapTo(&view, QPoint(static_cast<int>(plot->xAxis->coordToPixel(100)), y));
    QTest::mousePress(view.windowHandle(), Qt::LeftButton, {}, from);
    QTest::mouseMove(view.windowHandle(), from + QPoint(60, 0));
    QTest::mouseRelease(view.windowHandle(), Qt::LeftButton, {}, from + QPoint(60, 0));
    EXPECT_DOUBLE_EQ(view.measureCursor(0), 10);

    ASSERT_TRUE(tarvex::test::chooseFromChartMenu(view, "Clear Cursors"));
    EXPECT_LT(view.measureCursor(0), 0);
    EXPECT_TRUE(view.measurementText().isEmpty());
}

TEST_F(ChartMeasure, ALegendClickHidesItsChannelAndASecondShowsItAgain)
{
    ASSERT_TRUE(view.plot()->legend->visible());
    ASSERT_EQ(view.plot()->legend->itemCount(), 2) << "the channels in use";
    clickLegendEntry(1);
    EXPECT_FALSE(view.seriesShown(1));
    EXPECT_TRUE(view.seriesShown(0));
    view.showCursorAt(20);
    EXPECT_FALSE(view.cursorText().contains("current Torque")) << view.cursorText().toStdString();
    clickLegendEntry(1);
    EXPECT_TRUE(view.seriesShown(1));
    EXPECT_TRUE(view.cursorText().contains("current Torque")) << view.cursorText().toStdString();
}

TEST_F(ChartMeasure, NoLegendBoxBeforeAChannelIsChosen)
{
    ChartSetup none = speedAndTorque();
    for (ChartChannel &channel : none.channels) {
        channel.name = "Not Use";
        channel.shown = false;
    }
    view.setUp(none);
    EXPECT_FALSE(view.plot()->legend->visible());
    view.setUp(speedAndTorque());
    EXPECT_TRUE(view.plot()->legend->visible());
    // The legend has a row of its own above the plot: the read-out inside
    // the plot never lies under it.
    EXPECT_LE(view.plot()->legend->outerRect().bottom(), view.plot()->axisRect()->outerRect().top());
}

TEST_F(ChartMeasure, ThePlatformsOwnMenuRequestAfterTheMenuKeyOpensNoSecondMenu)
{
    view.activateWindow();
    view.plot()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.plot()->hasFocus(); }, 1000));
    EXPECT_TRUE(tarvex::test::whileChartMenuShown([&] { tarvex::test::pressMenuKey(view); }, [](QMenu &) {}));
    const bool second = tarvex::test::whileChartMenuShown(
        [&] {
            const QPoint centre = view.plot()->rect().center();
            QContextMenuEvent request(QContextMenuEvent::Keyboard, centre, view.plot()->mapToGlobal(centre));
            QApplication::sendEvent(view.plot(), &request);
        },
        [](QMenu &) {});
    EXPECT_FALSE(second);
}

namespace {

TEST_F(ChartMeasure, CursorsArePlacedAtAnyZoomAndCtrlWheelZoomsTimeOnly)
{
    const auto values = view.valueView();
    tarvex::test::turnWheel(view, 3, Qt::ControlModifier);
    const auto [first, last] = view.timeView();
    EXPECT_LT(last - first, 255) << "the time axis zoomed in";
    EXPECT_EQ(view.valueView(), values) << "the value axis as it was";
    const int middle = static_cast<int>(std::lround((first + last) / 2));
    clickAt(middle);
    EXPECT_EQ(view.measureCursor(0), middle) << "a click sets cursor 1 in the zoomed view";
    clickAt(middle + 5, Qt::ShiftModifier);
    EXPECT_EQ(view.measureCursor(1), middle + 5);
    tarvex::test::turnWheel(view, 3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_LT(view.valueView().second - view.valueView().first, values.second - values.first)
        << "Shift+Ctrl zooms the value axis";
}

} // namespace
