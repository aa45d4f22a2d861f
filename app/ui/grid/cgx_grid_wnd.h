// The cell grid every table window is built on: a QTableWidget whose header
// row (row 0) and header column (column 0) are cells like the others, with
// styles set through SetStyleRange, check-box cells that read "1" when
// checked, named-image cells, and two hooks that the table window classes
// override: the double click on a cell and the click on a header cell.
//
// All calls belong to the user-interface thread.
#pragma once

#include "app/ui/grid/cgx_style.h"

#include <QTableWidget>

#include <deque>
#include <vector>

namespace tarvex {

class CGXHeaderView;

class CGXGridWnd : public QTableWidget {
    Q_OBJECT
public:
    explicit CGXGridWnd(QWidget *parent = nullptr);
    ~CGXGridWnd() override;

    // Sets the grid up with its defaults: no rows or columns, undo off,
    // selection of single cells, fixed column widths, mouse wheel on.
    void Initialize();

    void SetRowCount(ROWCOL rows);
    void SetColCount(ROWCOL cols);
    ROWCOL GetRowCount() const { return rows_; }
    ROWCOL GetColCount() const { return cols_; }

    // Widths and heights in pixels; column 0 is the header column, row 0 the header row.
    void SetColWidth(ROWCOL from, ROWCOL to, int width);
    void SetRowHeight(ROWCOL from, ROWCOL to, int height);
    int GetColWidth(ROWCOL col) const;
    int GetRowHeight(ROWCOL row) const;

    // Applies the attributes set in `style` to every cell of `range` (cells
    // outside the grid are left out).
    void SetStyleRange(const CGXRange &range, const CGXStyle &style);
    void SetValueRange(const CGXRange &range, const QString &value);
    // The cell's value as text: "1" or "0" for a check box; empty outside the grid.
    QString GetValueRowCol(ROWCOL row, ROWCOL col) const;
    // The cell's whole style (defaults for what was never set).
    CGXStyle GetStyleRowCol(ROWCOL row, ROWCOL col) const;

    void EnableSelection(unsigned flags);
    void EnableTrackColWidth(bool userMayResize);
    // bar 0 horizontal, 1 vertical, 3 both; mode 0 never shown, 1 when needed, 2 always.
    void SetScrollBarMode(int bar, int mode);
    void HideCols(ROWCOL from, ROWCOL to, bool hide = true);
    void EnableMouseWheel(bool on) { mouseWheel_ = on; }
    // While on, the user's edits and check-box clicks can be undone (Ctrl+Z);
    // the program's own writes are never recorded.
    void EnableUndo(bool on);
    bool CanUndo() const { return !undo_.empty(); }
    // True while the user types into a cell.
    bool isEditing() const { return state() == QAbstractItemView::EditingState; }
    bool Undo();

    // Hook: the left-button double click on a cell. Return true when the
    // click was handled, so the grid does nothing more (no editing).
    virtual bool OnLButtonDblClkRowCol(ROWCOL row, ROWCOL col);
    // Hook: a header cell was clicked (row 0 for the column headers,
    // column 0 for the row headers).
    virtual void OnHeaderClickRowCol(ROWCOL row, ROWCOL col);

    // What a user's click on a cell does (check boxes toggle); the same path
    // a real click takes, for scripted use.
    void clickCell(ROWCOL row, ROWCOL col);
    void clickHeader(ROWCOL row, ROWCOL col);

Q_SIGNALS:
    // A cell's value changed, by the program or by the user.
    void valueChanged(int row, int col);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    friend class CGXHeaderView;
    struct UndoStep {
        ROWCOL row;
        ROWCOL col;
        QString previous;
    };

    bool contains(ROWCOL row, ROWCOL col) const;
    CGXStyle &cell(ROWCOL row, ROWCOL col);
    const CGXStyle &cell(ROWCOL row, ROWCOL col) const;
    void resizeCells(ROWCOL rows, ROWCOL cols);
    void syncCell(ROWCOL row, ROWCOL col);
    void syncHeaders();
    void setValueByUser(ROWCOL row, ROWCOL col, const QString &value);
    void toggleCheckBox(ROWCOL row, ROWCOL col);
    void onItemChanged(QTableWidgetItem *item);

    ROWCOL rows_ = 0;
    ROWCOL cols_ = 0;
    std::vector<CGXStyle> cells_ = std::vector<CGXStyle>(1); // (rows_ + 1) x (cols_ + 1), row-major
    std::vector<int> colWidths_ = {64};  // index = column, 0 the header column
    std::vector<int> rowHeights_ = {20}; // index = row, 0 the header row
    CGXHeaderView *columnHeader_ = nullptr;
    CGXHeaderView *rowHeader_ = nullptr;
    bool syncing_ = false;
    bool mouseWheel_ = true;
    bool undoEnabled_ = false;
    bool releaseEndsDoubleClick_ = false;
    QModelIndex pressedIndex_;
    std::deque<UndoStep> undo_;
};

} // namespace tarvex
