// The grid layer: sizes, styles, check boxes, named images, undo, and the
// two hooks the table windows build on.
#include "app/ui/grid/cgx_bitmaps.h"
#include "app/ui/grid/cgx_grid_wnd.h"
#include "tests/app/support/qt_test_application.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace tarvex {
namespace {

class ProbeGrid : public CGXGridWnd {
public:
    bool OnLButtonDblClkRowCol(ROWCOL row, ROWCOL col) override
    {
        doubleClicks.push_back({row, col});
        return consumeDoubleClicks;
    }
    void OnHeaderClickRowCol(ROWCOL row, ROWCOL col) override { headerClicks.push_back({row, col}); }

    bool consumeDoubleClicks = false;
    std::vector<std::pair<int, int>> doubleClicks;
    std::vector<std::pair<int, int>> headerClicks;
};

class Grid : public ::testing::Test {
protected:
    Grid()
    {
        test::testApplication();
        grid.Initialize();
        grid.SetRowCount(5);
        grid.SetColCount(3);
        grid.resize(400, 300);
        test::showActive(grid);
    }

    QPoint cellCentre(int row, int col)
    {
        return grid.visualRect(grid.model()->index(row - 1, col - 1)).center();
    }

    ProbeGrid grid;
};

TEST_F(Grid, RowZeroAndColumnZeroAreTheHeaders)
{
    EXPECT_EQ(grid.GetRowCount(), 5);
    EXPECT_EQ(grid.GetColCount(), 3);
    EXPECT_EQ(grid.rowCount(), 5) << "body rows only";
    grid.SetValueRange(CGXRange(0, 2), QStringLiteral("Value"));
    grid.SetValueRange(CGXRange(4, 0), QStringLiteral("row four"));
    EXPECT_EQ(grid.GetValueRowCol(0, 2), "Value");
    EXPECT_EQ(grid.GetValueRowCol(4, 0), "row four");
    EXPECT_EQ(grid.GetValueRowCol(6, 1), "") << "outside the grid";
    EXPECT_EQ(grid.GetValueRowCol(-1, 1), "");
}

TEST_F(Grid, WidthsAndHeightsInPixels)
{
    grid.SetColWidth(1, 1, 180);
    grid.SetColWidth(2, 3, 70);
    grid.SetRowHeight(0, 0, 25);
    grid.SetRowHeight(1, 3, 30);
    grid.SetRowHeight(4, 5, 20);
    test::pump();
    EXPECT_EQ(grid.columnWidth(0), 180);
    EXPECT_EQ(grid.columnWidth(2), 70);
    EXPECT_EQ(grid.GetColWidth(1), 180);
    EXPECT_EQ(grid.horizontalHeader()->height(), 25);
    EXPECT_EQ(grid.rowHeight(0), 30);
    EXPECT_EQ(grid.rowHeight(4), 20);
    EXPECT_EQ(grid.GetRowHeight(0), 25);
}

TEST_F(Grid, AStyleChangesOnlyTheAttributesItCarries)
{
    grid.SetStyleRange(CGXRange(1, 1), CGXStyle().SetTextColor(Qt::red).SetValue("first"));
    grid.SetStyleRange(CGXRange(1, 1), CGXStyle().SetFont(CGXFont().SetSize(9)));
    grid.SetStyleRange(CGXRange(1, 1), CGXStyle().SetFont(CGXFont().SetBold(true)));
    const CGXStyle style = grid.GetStyleRowCol(1, 1);
    EXPECT_EQ(style.GetValue(), "first");
    EXPECT_EQ(*style.textColor, QColor(Qt::red));
    EXPECT_EQ(*style.font.size, 9);
    EXPECT_TRUE(*style.font.bold);
    EXPECT_FALSE(style.interior);
}

TEST_F(Grid, ARangeReachingBeyondTheGridStopsAtItsEdge)
{
    grid.SetValueRange(CGXRange(4, 2, 100, 100), QStringLiteral("x"));
    EXPECT_EQ(grid.GetValueRowCol(5, 3), "x");
    EXPECT_EQ(grid.GetValueRowCol(3, 3), "");
    grid.SetValueRange(CGXRange(-3, -3, -1, -1), QStringLiteral("y")); // nothing to do
    grid.SetRowCount(-4);
    EXPECT_EQ(grid.GetRowCount(), 0);
    grid.SetRowCount(1'000'000);
    EXPECT_LE(grid.GetRowCount(), 10000);
}

TEST_F(Grid, CheckBoxesReadOneWhenChecked)
{
    grid.SetStyleRange(CGXRange(2, 1), CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D).SetChoiceList("Speed"));
    EXPECT_EQ(grid.GetValueRowCol(2, 1), "0");
    grid.SetValueRange(CGXRange(2, 1), QStringLiteral("1"));
    EXPECT_EQ(grid.GetValueRowCol(2, 1), "1");
    grid.SetStyleRange(CGXRange(2, 1), CGXStyle().SetValue(std::int64_t{0}));
    EXPECT_EQ(grid.GetValueRowCol(2, 1), "0");
}

TEST_F(Grid, AClickTogglesACheckBoxAndReportsTheChange)
{
    grid.SetStyleRange(CGXRange(2, 1), CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D));
    QSignalSpy changes(&grid, &CGXGridWnd::valueChanged);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    EXPECT_EQ(grid.GetValueRowCol(2, 1), "1");
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].toInt(), 2);
    EXPECT_EQ(changes[0][1].toInt(), 1);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(2, 1));
    EXPECT_EQ(grid.GetValueRowCol(2, 1), "0");
    // A plain text cell does not toggle.
    grid.SetValueRange(CGXRange(3, 1), QStringLiteral("text"));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cellCentre(3, 1));
    EXPECT_EQ(grid.GetValueRowCol(3, 1), "text");
}

TEST_F(Grid, ADoubleClickTogglesACheckBoxOnce)
{
    grid.SetStyleRange(CGXRange(2, 1), CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D));
    test::doubleClick(*grid.viewport(), cellCentre(2, 1));
    EXPECT_EQ(grid.GetValueRowCol(2, 1), "1");
}

TEST_F(Grid, AHeaderClickRaisesTheHookWithRowZero)
{
    QHeaderView *header = grid.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    ASSERT_EQ(grid.headerClicks.size(), 1u);
    EXPECT_EQ(grid.headerClicks[0], std::make_pair(0, 3));
    grid.clickHeader(4, 0); // a row header
    EXPECT_EQ(grid.headerClicks.back(), std::make_pair(4, 0));
}

TEST_F(Grid, AHeaderCheckBoxTogglesWhenClicked)
{
    grid.SetStyleRange(CGXRange(0, 1), CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D).SetChoiceList(" Name"));
    grid.clickHeader(0, 1);
    EXPECT_EQ(grid.GetValueRowCol(0, 1), "1");
}

TEST_F(Grid, AHandledDoubleClickStartsNoEditing)
{
    grid.SetStyleRange(CGXRange(1, 2), CGXStyle().SetControl(GX_IDS_CTRL_EDIT).SetValue("12"));
    grid.consumeDoubleClicks = true;
    test::doubleClick(*grid.viewport(), cellCentre(1, 2));
    ASSERT_EQ(grid.doubleClicks.size(), 1u);
    EXPECT_EQ(grid.doubleClicks[0], std::make_pair(1, 2));
    EXPECT_FALSE(grid.isEditing());
}

TEST_F(Grid, AnUnhandledDoubleClickEditsAnEditCell)
{
    grid.SetStyleRange(CGXRange(1, 2), CGXStyle().SetControl(GX_IDS_CTRL_EDIT).SetValue("12"));
    test::doubleClick(*grid.viewport(), cellCentre(1, 2));
    EXPECT_TRUE(grid.isEditing());
}

TEST_F(Grid, AStaticCellIsNeverEdited)
{
    grid.SetValueRange(CGXRange(1, 3), QStringLiteral("fixed"));
    test::doubleClick(*grid.viewport(), cellCentre(1, 3));
    EXPECT_FALSE(grid.isEditing());
    EXPECT_EQ(grid.GetValueRowCol(1, 3), "fixed");
}

TEST_F(Grid, TypedTextBecomesTheCellValue)
{
    grid.SetStyleRange(CGXRange(2, 2), CGXStyle().SetControl(GX_IDS_CTRL_EDIT).SetValue("1"));
    QSignalSpy changes(&grid, &CGXGridWnd::valueChanged);
    grid.item(1, 1)->setText(QStringLiteral("250")); // what the editor commits
    EXPECT_EQ(grid.GetValueRowCol(2, 2), "250");
    EXPECT_EQ(changes.count(), 1);
}

TEST_F(Grid, UndoTakesBackTheUsersChangesOnly)
{
    grid.SetStyleRange(CGXRange(1, 1, 5, 1), CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D));
    grid.EnableUndo(true);
    grid.SetValueRange(CGXRange(3, 1), QStringLiteral("1")); // the program's own write
    EXPECT_FALSE(grid.CanUndo());
    grid.clickCell(2, 1);
    EXPECT_TRUE(grid.CanUndo());
    EXPECT_TRUE(grid.Undo());
    EXPECT_EQ(grid.GetValueRowCol(2, 1), "0");
    EXPECT_EQ(grid.GetValueRowCol(3, 1), "1");
    EXPECT_FALSE(grid.Undo());

    for (int i = 0; i < 250; ++i)
        grid.clickCell(1, 1);
    int steps = 0;
    while (grid.Undo())
        ++steps;
    EXPECT_EQ(steps, 100) << "the history is bounded";
}

TEST_F(Grid, HiddenHeaderColumnAndColumns)
{
    grid.HideCols(0, 0);
    EXPECT_FALSE(grid.verticalHeader()->isVisible());
    grid.HideCols(2, 2);
    EXPECT_TRUE(grid.isColumnHidden(1));
    grid.HideCols(2, 2, false);
    EXPECT_FALSE(grid.isColumnHidden(1));
}

TEST_F(Grid, ColumnWidthsCanBeLockedAgainstDragging)
{
    grid.EnableTrackColWidth(false);
    EXPECT_EQ(grid.horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    grid.EnableTrackColWidth(true);
    EXPECT_EQ(grid.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

TEST(GridBitmaps, CellValuesNameRegisteredImages)
{
    EXPECT_EQ(CGXBitmaps::nameInValue(QStringLiteral("#bmp(\"RED\")")), QStringLiteral("RED"));
    EXPECT_EQ(CGXBitmaps::nameInValue(QStringLiteral("#BMP(BLACK)")), QStringLiteral("BLACK"));
    EXPECT_FALSE(CGXBitmaps::nameInValue(QStringLiteral("RED")));
    EXPECT_FALSE(CGXBitmaps::nameInValue(QStringLiteral("#bmp()")));
    EXPECT_FALSE(CGXBitmaps::nameInValue(QStringLiteral("#bmp(\"\")")));
    test::testApplication();
    EXPECT_TRUE(CGXBitmaps::find(QStringLiteral("red"))) << "the lamps are registered at start-up";
}

} // namespace
} // namespace tarvex
