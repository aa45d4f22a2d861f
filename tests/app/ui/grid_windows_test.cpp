// The table window classes: the header click that checks or clears the
// check boxes of their row range, and the double click they consume or
// leave to the grid.
#include "app/ui/grid/grid_windows.h"
#include "tests/app/support/qt_test_application.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tarvex {
namespace {

constexpr int kRows = 40;

void prepare(CGXGridWnd &grid)
{
    grid.Initialize();
    grid.SetRowCount(kRows);
    grid.SetColCount(3);
    grid.SetStyleRange(CGXRange(0, 1, kRows, 1), CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D));
    grid.SetStyleRange(CGXRange(1, 3, kRows, 3), CGXStyle().SetControl(GX_IDS_CTRL_EDIT).SetValue("5"));
}

std::vector<int> checkedRows(CGXGridWnd &grid)
{
    std::vector<int> rows;
    for (int r = 1; r <= grid.GetRowCount(); ++r)
        if (grid.GetValueRowCol(r, 1) == "1")
            rows.push_back(r);
    return rows;
}

std::vector<int> span(int first, int last)
{
    std::vector<int> rows;
    for (int r = first; r <= last; ++r)
        rows.push_back(r);
    return rows;
}

struct WindowClass {
    const char *name;
    std::function<std::unique_ptr<CGXGridWnd>()> make;
    int lastRow; // 0: the header click toggles nothing
    bool consumesDoubleClick;
};

class EachWindowClass : public ::testing::TestWithParam<WindowClass> {
protected:
    void SetUp() override
    {
        test::testApplication();
        grid = GetParam().make();
        prepare(*grid);
    }
    std::unique_ptr<CGXGridWnd> grid;
};

TEST_P(EachWindowClass, TheFirstHeaderClickChecksItsRangeAndTheSecondClearsIt)
{
    grid->clickHeader(0, 1);
    EXPECT_EQ(checkedRows(*grid), GetParam().lastRow ? span(1, GetParam().lastRow) : std::vector<int>{});
    grid->clickHeader(0, 1);
    EXPECT_TRUE(checkedRows(*grid).empty());
}

TEST_P(EachWindowClass, ADoubleClickIsConsumedOrLeftToTheGrid)
{
    grid->resize(500, 400);
    test::showActive(*grid);
    const QPoint cell = grid->visualRect(grid->model()->index(0, 2)).center();
    test::doubleClick(*grid->viewport(), cell);
    EXPECT_EQ(grid->isEditing(), !GetParam().consumesDoubleClick);
}

template <class Window>
std::function<std::unique_ptr<CGXGridWnd>()> maker()
{
    return [] { return std::make_unique<Window>(); };
}

INSTANTIATE_TEST_SUITE_P(
    GridWindows, EachWindowClass,
    ::testing::Values(WindowClass{"Status", maker<CStatusGridWnd>(), 25, false},
                      WindowClass{"System", maker<CSystemGridWnd>(), 33, true},
                      WindowClass{"Control", maker<CControlGridWnd>(), 24, true},
                      WindowClass{"InOut", maker<CInOutGridWnd>(), 9, true},
                      WindowClass{"Speed", maker<CSpeedGridWnd>(), 14, false},
                      WindowClass{"Position", maker<CPositionGridWnd>(), 4, false},
                      WindowClass{"Factory", maker<CFactoryGridWnd>(), 9, false},
                      WindowClass{"Fullclosed", maker<CFullclosedGridWnd>(), 6, false},
                      WindowClass{"Dock1", maker<CDock1GridWnd>(), 26, false},
                      WindowClass{"Dock2", maker<CDock2GridWnd>(), 19, false},
                      WindowClass{"Dock3", maker<CDock3GridWnd>(), 9, false},
                      WindowClass{"AlarmHistory", maker<CMyGridWnd>(), 0, true}),
    [](const ::testing::TestParamInfo<WindowClass> &each) { return std::string(each.param.name); });

class SystemGrid : public ::testing::Test {
protected:
    SystemGrid()
    {
        test::testApplication();
        prepare(grid);
    }
    CSystemGridWnd grid;
};

TEST_F(SystemGrid, AnyColumnHeaderHasTheSameEffect)
{
    grid.clickHeader(0, 3);
    EXPECT_EQ(checkedRows(grid), span(1, 33));
    EXPECT_EQ(grid.GetValueRowCol(0, 1), "1") << "the header tick box shows the state";
}

TEST_F(SystemGrid, RowsBeyondTheRangeKeepTheirTicks)
{
    grid.SetValueRange(CGXRange(35, 1), QStringLiteral("1"));
    grid.clickHeader(0, 1);
    grid.clickHeader(0, 1);
    EXPECT_EQ(checkedRows(grid), std::vector<int>{35});
}

TEST_F(SystemGrid, ARowHeaderClickDoesNothing)
{
    grid.clickHeader(5, 0);
    EXPECT_TRUE(checkedRows(grid).empty());
    EXPECT_EQ(grid.selectAllState(), 0);
}

TEST_F(SystemGrid, TheStateAlternatesWhateverWasTickedByHand)
{
    grid.clickCell(2, 1);
    grid.clickCell(3, 1);
    grid.clickHeader(0, 1); // state 0 -> 1: all ticked
    EXPECT_EQ(checkedRows(grid), span(1, 33));
    for (int r = 1; r <= 33; ++r)
        grid.clickCell(r, 1); // the user clears them all by hand
    grid.clickHeader(0, 1); // state 1 -> 0: all cleared, although none was ticked
    EXPECT_TRUE(checkedRows(grid).empty());
}

} // namespace
} // namespace tarvex
