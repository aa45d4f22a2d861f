// The chart's context menu as the user reaches it: a right click on the plot
// and the keyboard's menu key open it on a shown chart, with every entry;
// Copy to Clipboard puts the picture there; Export CSV is greyed until the
// window hands the chart its export and runs that export when chosen;
// Autoscale fits the axes to the data.
#include "tests/app/support/chart_menu_driver.h"
#include "app/ui/chart/chart_view.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QClipboard>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using tarvex::test::menuEntry;
using tarvex::test::rightClickPlot;
using tarvex::test::whileChartMenuShown;

ChartSetup oneChannel()
{
    ChartSetup s;
    s.channels[0] = {"Current Speed[rpm]", 3500, -3500, true};
    s.xCaption = "[ms]";
    s.xLast = 255;
    return s;
}

QStringList entries(const QMenu &menu)
{
    QStringList texts;
    for (const QAction *action : menu.actions())
        if (!action->isSeparator())
            texts << action->text();
    return texts;
}

class ChartMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.resize(700, 450);
        view.setUp(oneChannel());
        for (int i = 0; i < 256; ++i)
            view.setPoint(0, i, 1000 * std::sin(i / 15.0));
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    CChartView view;
};

} // namespace

TEST_F(ChartMenu, ARightClickOnThePlotOpensTheMenuWithEveryEntry)
{
    QStringList seen;
    QStringList scaling;
    bool csvEnabled = true;
    const bool shown = whileChartMenuShown([&] { rightClickPlot(view); }, [&](QMenu &menu) {
        seen = entries(menu);
        if (QAction *csv = menuEntry(menu, "Export CSV..."))
            csvEnabled = csv->isEnabled();
        if (QAction *autoscale = menuEntry(menu, "Autoscale"); autoscale && autoscale->menu())
            scaling = entries(*autoscale->menu());
    });
    ASSERT_TRUE(shown) << "no menu after a right click on the plot";
    EXPECT_EQ(seen, QStringList({"Reset View", "Autoscale", "Export Picture...", "Print...", "Copy to Clipboard",
                                 "Clear Cursors", "Export CSV..."}));
    EXPECT_EQ(scaling, QStringList({"All Axes", "Time Axis", "Value Axes", "Axis of Current Speed[rpm]",
                                    "Axis of Channel 2", "Axis of Channel 3", "Axis of Channel 4"}))
        << "one entry per channel's axis";
    EXPECT_FALSE(csvEnabled) << "a chart without a CSV export offers none";
}

TEST_F(ChartMenu, TheMenuKeyOpensItToo)
{
    view.activateWindow();
    view.plot()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.plot()->hasFocus(); }, 1000));
    const bool shown = whileChartMenuShown([&] { tarvex::test::pressMenuKey(view); }, [](QMenu &) {});
    EXPECT_TRUE(shown) << "no menu after the menu key";
}

TEST_F(ChartMenu, TheExportButtonUnderThePlotOpensTheSameMenu)
{
    QStringList seen;
    const bool shown = whileChartMenuShown([&] { QTest::mouseClick(view.menuButton(), Qt::LeftButton); },
                                           [&](QMenu &menu) { seen = entries(menu); });
    ASSERT_TRUE(shown) << "no menu after a click on the button";
    EXPECT_TRUE(seen.contains("Export Picture...") && seen.contains("Print...") && seen.contains("Copy to Clipboard") &&
                seen.contains("Export CSV..."));
}

TEST_F(ChartMenu, CopyPutsThePictureOnTheClipboard)
{
    QApplication::clipboard()->clear();
    ASSERT_TRUE(tarvex::test::chooseFromChartMenu(view, "Copy to Clipboard"));
    const QImage image = QApplication::clipboard()->image();
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 640);
    EXPECT_GE(image.height(), 400);
}

TEST_F(ChartMenu, ExportCsvRunsTheWindowsExport)
{
    int exports = 0;
    view.setCsvExport([&] { ++exports; });
    ASSERT_TRUE(tarvex::test::chooseFromChartMenu(view, "Export CSV..."));
    EXPECT_EQ(exports, 1);
}

TEST_F(ChartMenu, AutoscaleFitsTheAxesToTheDataAndResetRestores)
{
    view.autoscale(Qt::Vertical);
    const QCPRange fitted = view.plot()->yAxis->range();
    EXPECT_LT(fitted.upper, 1200);
    EXPECT_GT(fitted.upper, 999);
    EXPECT_GT(fitted.lower, -1200);
    EXPECT_LT(fitted.lower, -999);
    EXPECT_DOUBLE_EQ(view.plot()->xAxis->range().upper, 255) << "the time axis stays";
    view.plot()->xAxis->setRange(0, 1000);
    view.autoscale(Qt::Horizontal);
    EXPECT_DOUBLE_EQ(view.plot()->xAxis->range().upper, 255);
    view.resetView();
    EXPECT_DOUBLE_EQ(view.plot()->yAxis->range().upper, 3500);
}
