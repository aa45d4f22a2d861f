// The filter above the parameter grids, typed and clicked as the user does:
// by name and by object number, kept across tabs, "Changed from default"
// following the values, the header's tick-all limited to the rows shown,
// and a value typed into a filtered grid written to its own register only.
#include "app/parameters/parameter_filter.h"
#include "tests/app/parameters/parameter_session.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

namespace tarvex::test {
namespace {

using namespace catalogue;

class Filter : public ParameterSession {
protected:
    void typeFilter(const QString &text)
    {
        QLineEdit &box = dialog().filterBar().textBox();
        box.selectAll();
        QTest::keyClick(&box, Qt::Key_Backspace);
        QTest::keyClicks(&box, text);
        pump();
    }

    // The grid rows (1 for the first parameter) the group's grid shows.
    std::vector<int> shownRows(int group) const
    {
        std::vector<int> rows;
        for (int row = 1; row <= static_cast<int>(grid(group).GetRowCount()); ++row)
            if (!grid(group).isRowHidden(row - 1))
                rows.push_back(row);
        return rows;
    }

    QPoint cellCentre(int group, int row, int col) const
    {
        return grid(group).visualRect(grid(group).model()->index(row - 1, col - 1)).center();
    }

    void clickCellAt(int group, int row, int col) const
    {
        QTest::mouseClick(grid(group).viewport(), Qt::LeftButton, {}, cellCentre(group, row, col));
        pump();
    }

    // Types into the row's "Value" cell key by key and ends with Return.
    void typeKeys(int group, int row, const QString &text) const
    {
        CSelectAllGridWnd &g = grid(group);
        g.setFocus();
        g.setCurrentIndex(g.model()->index(row - 1, CParameterFormDlg::kColValue - 1));
        for (const QChar c : text)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        pump();
    }
};

TEST_F(Filter, ByNameOrNumberOnEveryTab)
{
    openWindow();
    showActive(dialog());
    EXPECT_EQ(dialog().filterBar().textBox().placeholderText(), "Filter by name or number");
    selectGroup(1);
    typeFilter("ReSiStOr");
    EXPECT_EQ(shownRows(1), (std::vector<int>{7, 8})) << "Regenerative Resistor Value and Capacity";
    selectGroup(2);
    EXPECT_TRUE(shownRows(2).empty()) << "the filter holds on the next tab";
    selectGroup(1);
    EXPECT_EQ(shownRows(1), (std::vector<int>{7, 8}));

    typeFilter("0x210");
    EXPECT_TRUE(shownRows(1).empty());
    EXPECT_EQ(shownRows(2).size(), 16u) << "0x2100 to 0x210F";
    typeFilter("2101");
    EXPECT_EQ(shownRows(2), std::vector<int>{2}) << "a number without its prefix";
    typeFilter("");
    EXPECT_EQ(static_cast<int>(shownRows(1).size()), dialog().form(1)->rowCount());
    EXPECT_EQ(static_cast<int>(shownRows(0).size()), dialog().form(0)->rowCount());
}

TEST_F(Filter, ChangedFromDefaultFollowsTheValues)
{
    setDriveRegister(82, 250);  // System: Inertia Ratio
    setDriveRegister(176, 440); // Control: Notch Filter Frequency
    openWindow();
    showActive(dialog());
    QCheckBox &changed = dialog().filterBar().changedOnlyBox();
    QTest::mouseClick(&changed, Qt::LeftButton, {}, changed.rect().center());
    pump();
    ASSERT_TRUE(changed.isChecked());
    EXPECT_EQ(shownRows(1), std::vector<int>{kSystemInertia + 1});
    EXPECT_EQ(shownRows(2), std::vector<int>{2});
    EXPECT_TRUE(shownRows(0).empty()) << "live readings have no default to differ from";

    typeFilter("notch");
    EXPECT_TRUE(shownRows(1).empty());
    EXPECT_EQ(shownRows(2), std::vector<int>{2});
    typeFilter("");

    // Back at its default on the drive: All Read shows it, and the row goes.
    setDriveRegister(82, 100);
    click(CParameterDlg::IDC_ALL_READ);
    pump();
    EXPECT_TRUE(shownRows(1).empty());

    QTest::mouseClick(&changed, Qt::LeftButton, {}, changed.rect().center());
    pump();
    EXPECT_EQ(static_cast<int>(shownRows(1).size()), dialog().form(1)->rowCount());
}

TEST_F(Filter, AValueTypedIntoAFilteredGridIsWrittenToItsOwnRegisterOnly)
{
    openWindow();
    showActive(dialog());
    selectGroup(1);
    typeFilter("warning");
    ASSERT_EQ(shownRows(1), std::vector<int>{10}) << "0x2009 Overload Warning Level, register 98";
    const auto before = parameterRegisters();

    // The only row shown sits where the grid's first row would be.
    EXPECT_EQ(grid(1).rowViewportPosition(9), 0);
    clickCellAt(1, 10, CParameterFormDlg::kColNumber);
    typeKeys(1, 10, "75");
    EXPECT_EQ(value(1, 10), "75");
    ASSERT_EQ(grid(1).GetValueRowCol(10, CParameterFormDlg::kColNumber), "1");
    for (int row = 1; row <= dialog().form(1)->rowCount(); ++row)
        if (row != 10)
            EXPECT_EQ(grid(1).GetValueRowCol(row, CParameterFormDlg::kColNumber), "0") << row;

    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(98), 75);
    EXPECT_EQ(changedRegisters(before), std::vector<std::uint16_t>{98});
}

TEST_F(Filter, TheHeaderTicksTheRowsShownOnly)
{
    openWindow();
    showActive(dialog());
    selectGroup(1);
    typeFilter("resistor");
    CSelectAllGridWnd &g = grid(1);
    QHeaderView &header = *g.horizontalHeader();
    const QPoint onNumberHeader(header.sectionViewportPosition(0) + header.sectionSize(0) / 2, header.height() / 2);
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, onNumberHeader);
    pump();
    std::vector<int> ticked;
    for (int row = 1; row <= dialog().form(1)->rowCount(); ++row)
        if (g.GetValueRowCol(row, CParameterFormDlg::kColNumber) == QLatin1String("1"))
            ticked.push_back(row);
    EXPECT_EQ(ticked, (std::vector<int>{7, 8}));
}

TEST(ParameterFilterRule, NameNumberAndChangedFromDefault)
{
    const ParameterFilter byName{QStringLiteral(" gain "), false};
    EXPECT_TRUE(byName.matches("0x2103", "Position Loop Gain 1", "50", "50"));
    EXPECT_FALSE(byName.matches("0x2100", "Notch Filter Use", "0", "0"));
    const ParameterFilter byNumber{QStringLiteral("0X21"), false};
    EXPECT_TRUE(byNumber.matches("0x2100", "Notch Filter Use", "0", "0"));
    EXPECT_FALSE(ParameterFilter({QStringLiteral("100"), false}).matches("0x2000", "Motor ID", "0", "0"))
        << "a number matches from its start only";
    const ParameterFilter changed{QString(), true};
    EXPECT_TRUE(changed.matches("0x2001", "Inertia Ratio", "250", "100"));
    EXPECT_FALSE(changed.matches("0x2001", "Inertia Ratio", "100", "100"));
    EXPECT_FALSE(changed.matches("0x2600", "Current Speed", "12", "-"));
    EXPECT_FALSE(changed.matches("0x2001", "Inertia Ratio", "", "100")) << "never read";
}

} // namespace
} // namespace tarvex::test
