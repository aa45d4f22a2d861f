// The parameter window's size: it opens no larger than a service laptop's
// screen with every header and catalogue text of its grids whole and every
// column in view, and a larger window gives its grids the room.
#include "app/ui/grid/cgx_painting.h"
#include "tests/app/parameters/parameter_session.h"

#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>

namespace tarvex::test {
namespace {

using WindowLayout = ParameterSession;

TEST_F(WindowLayout, AtTheDefaultSizeNoHeaderOrCatalogueTextIsCutAndEveryColumnIsInView)
{
    CParameterDlg &dlg = openWindow();
    EXPECT_LT(dlg.minimumWidth(), dlg.maximumWidth()) << "the window can be resized";
    EXPECT_LT(dlg.minimumHeight(), dlg.maximumHeight());
    EXPECT_LE(dlg.width(), 1366);
    EXPECT_LE(dlg.height(), 700) << "room for the title bar and a task bar on a 768-pixel screen";

    for (int group : parameters::tabGroups(dlg.factoryGroupShown())) {
        selectGroup(group);
        CSelectAllGridWnd &g = grid(group);
        const QHeaderView &header = *g.horizontalHeader();
        int columns = 0;
        for (int c = 1; c <= CParameterFormDlg::kColCount; ++c) {
            const CGXStyle headerStyle = g.GetStyleRowCol(0, c);
            const QString text = c == CParameterFormDlg::kColNumber ? headerStyle.choiceList.value_or(QString())
                                                                     : headerStyle.GetValue();
            const QFontMetrics metrics(cellFont(headerStyle, g.font()));
            EXPECT_LE(metrics.horizontalAdvance(text), header.sectionSize(c - 1))
                << "group " << group << ": " << text.toStdString();
            EXPECT_LE(cellContentWidth(headerStyle, g), header.sectionSize(c - 1))
                << "group " << group << ": " << text.toStdString();
            // The catalogue's texts: the values change with the drive and
            // have a test of their own.
            if (c != CParameterFormDlg::kColValue)
                for (int row = 1; row <= static_cast<int>(g.GetRowCount()); ++row)
                    EXPECT_LE(cellContentWidth(g.GetStyleRowCol(row, c), g), header.sectionSize(c - 1))
                        << "group " << group << " row " << row << ": " << g.GetValueRowCol(row, c).toStdString();
            columns += header.sectionSize(c - 1);
        }
        // Where the screen is narrower than the window would be, the window
        // keeps to the screen and the columns scroll.
        if (dlg.width() + 16 < dlg.screen()->availableGeometry().width()) {
            EXPECT_LE(columns, g.viewport()->width()) << "group " << group << ": the last column is cut";
            EXPECT_FALSE(g.horizontalScrollBar()->isVisible());
        } else if (columns > g.viewport()->width()) {
            EXPECT_TRUE(g.horizontalScrollBar()->isVisible()) << "group " << group << ": the last column is cut";
        }
    }
}

TEST_F(WindowLayout, ALargerWindowGivesTheGridsTheRoom)
{
    CParameterDlg &dlg = openWindow();
    selectGroup(1);
    const QSize tab = dlg.tabControl().size();
    const QSize grid1 = grid(1).size();
    const int rowsInView = grid(1).rowAt(grid(1).viewport()->height() - 1);

    dlg.resize(dlg.width() + 300, dlg.height() + 200);
    pump();
    EXPECT_EQ(dlg.tabControl().size(), tab + QSize(300, 200));
    EXPECT_EQ(grid(1).size(), grid1 + QSize(300, 200));
    EXPECT_TRUE(dlg.tabControl().geometry().bottom() < dlg.progressLine().geometry().top());
    const int rowsNow = grid(1).rowAt(grid(1).viewport()->height() - 1);
    EXPECT_TRUE(rowsNow == -1 || rowsNow > rowsInView) << "more rows in view";
    EXPECT_GE(dlg.compareButton().geometry().right(), dlg.width() - 60) << "the button keeps to the right";

    dlg.resize(dlg.minimumSize());
    pump();
    EXPECT_GT(grid(1).height(), 100) << "a few rows even at the smallest size";
    EXPECT_TRUE(dlg.rect().contains(dlg.button(CParameterDlg::IDC_EXIT)->geometry()));
}

} // namespace
} // namespace tarvex::test
