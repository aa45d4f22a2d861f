// The four monitor panes as built: rows, names, units, sizes, colours, tick
// boxes and lamps; the tick state the poll thread reads; values and lamps
// arriving from another thread; the link animation.
#include "app/monitor/lamp_images.h"
#include "tests/app/support/qt_test_application.h"
#include "app/monitor/static_panes.h"
#include "drive/connection/status_variables.h"

#include <QHeaderView>

#include <gtest/gtest.h>

#include <thread>

namespace tarvex {
namespace {

const QColor kPane(236, 233, 216);
const QColor kBlue(0, 0, 255);

class StatusPane : public ::testing::Test {
protected:
    StatusPane() { test::testApplication(); }
    CStaticPane pane;
    CDockMain1Dlg &dialog = pane.dialog();
    CGXGridWnd &grid = dialog.grid();
};

TEST_F(StatusPane, HoldsTheTwentySixVariablesWithTheirUnits)
{
    EXPECT_EQ(pane.windowTitle(), "Servo Status");
    EXPECT_EQ(pane.controlId(), 1234);
    ASSERT_EQ(grid.GetRowCount(), 26);
    ASSERT_EQ(grid.GetColCount(), 3);
    EXPECT_EQ(*grid.GetStyleRowCol(0, 1).choiceList, " Name");
    EXPECT_EQ(grid.GetValueRowCol(0, 2), "Value");
    EXPECT_EQ(grid.GetValueRowCol(0, 3), "Unit");
    EXPECT_EQ(*grid.GetStyleRowCol(1, 1).choiceList, "Current Speed");
    EXPECT_EQ(*grid.GetStyleRowCol(26, 1).choiceList, "OS Version");
    EXPECT_EQ(grid.GetValueRowCol(1, 3), "rpm");
    EXPECT_EQ(grid.GetValueRowCol(6, 3), "Khz");
    EXPECT_EQ(grid.GetValueRowCol(17, 3), QString::fromUtf8("\u2103"));
    EXPECT_EQ(grid.GetValueRowCol(26, 3), "-");
    for (int row = 1; row <= 26; ++row)
        EXPECT_EQ(*grid.GetStyleRowCol(row, 1).choiceList,
                  QString::fromUtf8(status::variables()[static_cast<std::size_t>(row - 1)].name));
}

TEST_F(StatusPane, SizesAndLook)
{
    EXPECT_EQ(grid.GetColWidth(1), 180);
    EXPECT_EQ(grid.GetColWidth(2), 100);
    EXPECT_EQ(grid.GetColWidth(3), 70);
    EXPECT_EQ(grid.GetRowHeight(0), 25);
    EXPECT_EQ(grid.GetRowHeight(1), 20);
    EXPECT_EQ(grid.GetRowHeight(23), 20);
    EXPECT_EQ(grid.GetRowHeight(24), 30);
    EXPECT_EQ(grid.GetRowHeight(25), 30);
    EXPECT_EQ(grid.GetRowHeight(26), 20);
    for (int col = 1; col <= 3; ++col) {
        const CGXStyle header = grid.GetStyleRowCol(0, col);
        EXPECT_EQ(*header.interior, kPane);
        EXPECT_EQ(*header.textColor, kBlue);
    }
    const CGXStyle cell = grid.GetStyleRowCol(12, 2);
    EXPECT_EQ(*cell.font.size, 9);
    EXPECT_FALSE(*cell.font.bold);
    EXPECT_EQ(*cell.verticalAlignment, Qt::AlignVCenter);
    EXPECT_FALSE(cell.interior);
    EXPECT_FALSE(grid.verticalHeader()->isVisible()) << "column 0 is hidden";
    // The name column takes what the value and unit columns leave.
    EXPECT_EQ(grid.horizontalHeader()->sectionResizeMode(0), QHeaderView::Stretch);
    EXPECT_EQ(grid.horizontalHeader()->sectionResizeMode(1), QHeaderView::Fixed);
}

TEST_F(StatusPane, StartsWithNothingTicked)
{
    EXPECT_TRUE(grid.GetStyleRowCol(0, 1).IsCheckBox());
    for (int row = 1; row <= 26; ++row) {
        EXPECT_TRUE(grid.GetStyleRowCol(row, 1).IsCheckBox());
        EXPECT_EQ(grid.GetValueRowCol(row, 1), "0");
        EXPECT_EQ(grid.GetValueRowCol(row, 2), "");
    }
    EXPECT_EQ(dialog.tickedRows(), 0u);
}

TEST_F(StatusPane, TicksAreMirroredForThePollThread)
{
    grid.clickCell(1, 1);
    grid.clickCell(3, 1);
    EXPECT_EQ(dialog.tickedRows(), 0b101u);
    grid.clickCell(1, 1);
    EXPECT_EQ(dialog.tickedRows(), 0b100u);
}

TEST_F(StatusPane, TheHeaderTickBoxSelectsAllAndThenNone)
{
    grid.clickCell(5, 1);
    grid.clickHeader(0, 1);
    EXPECT_EQ(dialog.tickedRows(), status::kAllRows);
    EXPECT_EQ(grid.GetValueRowCol(0, 1), "1");
    dialog.showValue(4, "123");
    test::pump();
    grid.clickHeader(0, 1);
    EXPECT_EQ(dialog.tickedRows(), 0u);
    EXPECT_EQ(grid.GetValueRowCol(4, 2), "123") << "values already shown stay";
}

TEST_F(StatusPane, ValuesFromAnotherThreadArriveInOrder)
{
    std::thread poll([&] {
        dialog.showValue(12, "10.0");
        dialog.showValue(12, "10.5");
        dialog.showValue(0, "ignored");
        dialog.showValue(27, "ignored");
    });
    poll.join();
    EXPECT_EQ(grid.GetValueRowCol(12, 2), "") << "nothing is touched off the pane's thread";
    test::pump();
    EXPECT_EQ(grid.GetValueRowCol(12, 2), "10.5");
}

TEST_F(StatusPane, TheGridFollowsThePanesSize)
{
    pane.resize(365, 575);
    pane.show();
    test::pump();
    pane.resize(500, 700);
    test::pump();
    EXPECT_GT(grid.width(), 450);
    EXPECT_GT(grid.height(), 600);
}

TEST(LampPanes, InputsAndOutputsStartBlack)
{
    test::testApplication();
    CStaticPane2 inputs;
    CStaticPane3 outputs;
    EXPECT_EQ(inputs.windowTitle(), "Servo Input");
    EXPECT_EQ(outputs.windowTitle(), "Servo Output");
    CGXGridWnd &in = inputs.dialog().grid();
    CGXGridWnd &out = outputs.dialog().grid();
    ASSERT_EQ(in.GetRowCount(), 6);
    ASSERT_EQ(out.GetRowCount(), 7);
    EXPECT_EQ(in.GetColCount(), 2);
    const QStringList inNames{"POT", "NOT", "HOME", "PCON", "GAIN2", "ALRST"};
    const QStringList outNames{"ALM", "RDY", "ZSPD", "BRK", "INPOS", "INSPD", "WARN"};
    for (int row = 1; row <= 6; ++row)
        EXPECT_EQ(in.GetValueRowCol(row, 1), inNames[row - 1]);
    for (int row = 1; row <= 7; ++row) {
        EXPECT_EQ(out.GetValueRowCol(row, 1), outNames[row - 1]);
        EXPECT_EQ(out.GetValueRowCol(row, 2), kLampOff);
        EXPECT_EQ(*out.GetStyleRowCol(row, 2).interior, kPane);
    }
    EXPECT_EQ(in.GetValueRowCol(0, 1), "Name");
    EXPECT_EQ(in.GetColWidth(1), 290);
    EXPECT_EQ(in.GetColWidth(2), 60);
    EXPECT_EQ(in.GetRowHeight(0), 25);
    EXPECT_EQ(in.GetRowHeight(6), 20);
    EXPECT_EQ(*in.GetStyleRowCol(0, 2).textColor, kBlue);
}

TEST(LampPanes, LampsLightFromAnotherThread)
{
    test::testApplication();
    CStaticPane2 inputs;
    std::thread poll([&] {
        inputs.dialog().showLamp(1, true);
        inputs.dialog().showLamp(3, true);
        inputs.dialog().showLamp(1, false);
        inputs.dialog().showLamp(9, true);
    });
    poll.join();
    test::pump();
    EXPECT_FALSE(inputs.dialog().isLit(1));
    EXPECT_TRUE(inputs.dialog().isLit(3));
    EXPECT_EQ(inputs.dialog().grid().GetValueRowCol(3, 2), kLampOn);
}

TEST(CommunicationPane, TheAnimationLoopsAndRewindsToItsFirstFrame)
{
    test::testApplication();
    CStaticPane4 pane;
    EXPECT_EQ(pane.windowTitle(), "Communication Status");
    CLinkAnimation &animation = pane.dialog().animation();
    EXPECT_FALSE(animation.isPlaying());
    EXPECT_EQ(animation.currentFrame(), 0);
    animation.Play();
    test::pump(CLinkAnimation::kFrameIntervalMs * (CLinkAnimation::kFrameCount + 3));
    EXPECT_TRUE(animation.isPlaying()) << "it repeats without end";
    animation.Stop();
    animation.Open();
    EXPECT_FALSE(animation.isPlaying());
    EXPECT_EQ(animation.currentFrame(), 0);
}

} // namespace
} // namespace tarvex
