#include "app/ui/grid/cgx_grid_wnd.h"

#include "app/ui/grid/cgx_cell_delegate.h"
#include "app/ui/grid/cgx_header_view.h"
#include "app/ui/grid/cgx_painting.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace tarvex {

namespace {

constexpr int kDefaultColWidth = 64;
constexpr int kDefaultRowHeight = 20;
constexpr std::size_t kUndoDepth = 100;
// A grid larger than this is refused: no table of the program comes close.
constexpr ROWCOL kMaxRows = 10000;
constexpr ROWCOL kMaxCols = 256;

} // namespace

CGXGridWnd::CGXGridWnd(QWidget *parent) : QTableWidget(parent)
{
    columnHeader_ = new CGXHeaderView(Qt::Horizontal, *this);
    rowHeader_ = new CGXHeaderView(Qt::Vertical, *this);
    setHorizontalHeader(columnHeader_);
    setVerticalHeader(rowHeader_);
    setItemDelegate(new CGXCellDelegate(*this));
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setWordWrap(true);
    setCornerButtonEnabled(false);
    connect(this, &QTableWidget::itemChanged, this, &CGXGridWnd::onItemChanged);
}

CGXGridWnd::~CGXGridWnd() = default;

void CGXGridWnd::Initialize()
{
    SetRowCount(0);
    SetColCount(0);
    undo_.clear();
    undoEnabled_ = false;
    mouseWheel_ = true;
    EnableSelection(GX_SELCELL);
    EnableTrackColWidth(false);
    rowHeader_->setSectionResizeMode(QHeaderView::Fixed);
}

// --- size ---------------------------------------------------------------

bool CGXGridWnd::contains(ROWCOL row, ROWCOL col) const
{
    return row >= 0 && col >= 0 && row <= rows_ && col <= cols_;
}

CGXStyle &CGXGridWnd::cell(ROWCOL row, ROWCOL col)
{
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_ + 1) +
                  static_cast<std::size_t>(col)];
}

const CGXStyle &CGXGridWnd::cell(ROWCOL row, ROWCOL col) const
{
    static const CGXStyle empty;
    if (!contains(row, col))
        return empty;
    return cells_[static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_ + 1) +
                  static_cast<std::size_t>(col)];
}

void CGXGridWnd::resizeCells(ROWCOL rows, ROWCOL cols)
{
    std::vector<CGXStyle> resized(static_cast<std::size_t>(rows + 1) *
                                  static_cast<std::size_t>(cols + 1));
    for (ROWCOL r = 0; r <= std::min(rows, rows_); ++r)
        for (ROWCOL c = 0; c <= std::min(cols, cols_); ++c)
            resized[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols + 1) +
                    static_cast<std::size_t>(c)] = cell(r, c);
    cells_ = std::move(resized);
    rowHeights_.resize(static_cast<std::size_t>(rows + 1), kDefaultRowHeight);
    colWidths_.resize(static_cast<std::size_t>(cols + 1), kDefaultColWidth);
    rows_ = rows;
    cols_ = cols;
    undo_.clear(); // steps may point at cells that no longer exist
}

void CGXGridWnd::SetRowCount(ROWCOL rows)
{
    rows = std::clamp(rows, 0, kMaxRows);
    const ROWCOL old = rows_;
    resizeCells(rows, cols_);
    syncing_ = true;
    setRowCount(rows);
    syncing_ = false;
    for (ROWCOL r = old + 1; r <= rows; ++r) {
        setRowHeight(r - 1, rowHeights_[static_cast<std::size_t>(r)]);
        for (ROWCOL c = 1; c <= cols_; ++c)
            syncCell(r, c);
    }
}

void CGXGridWnd::SetColCount(ROWCOL cols)
{
    cols = std::clamp(cols, 0, kMaxCols);
    const ROWCOL old = cols_;
    resizeCells(rows_, cols);
    syncing_ = true;
    setColumnCount(cols);
    syncing_ = false;
    for (ROWCOL c = old + 1; c <= cols; ++c) {
        setColumnWidth(c - 1, colWidths_[static_cast<std::size_t>(c)]);
        for (ROWCOL r = 1; r <= rows_; ++r)
            syncCell(r, c);
    }
}

void CGXGridWnd::SetColWidth(ROWCOL from, ROWCOL to, int width)
{
    width = std::clamp(width, 0, 4000);
    for (ROWCOL c = std::max(from, 0); c <= std::min(to, cols_); ++c) {
        colWidths_[static_cast<std::size_t>(c)] = width;
        if (c == 0)
            rowHeader_->setFixedWidth(width);
        else
            setColumnWidth(c - 1, width);
    }
}

void CGXGridWnd::SetRowHeight(ROWCOL from, ROWCOL to, int height)
{
    height = std::clamp(height, 1, 4000);
    for (ROWCOL r = std::max(from, 0); r <= std::min(to, rows_); ++r) {
        rowHeights_[static_cast<std::size_t>(r)] = height;
        if (r == 0)
            columnHeader_->setFixedHeight(height);
        else
            setRowHeight(r - 1, height);
    }
}

int CGXGridWnd::GetColWidth(ROWCOL col) const
{
    return col >= 0 && col <= cols_ ? colWidths_[static_cast<std::size_t>(col)] : 0;
}

int CGXGridWnd::GetRowHeight(ROWCOL row) const
{
    return row >= 0 && row <= rows_ ? rowHeights_[static_cast<std::size_t>(row)] : 0;
}

// --- styles and values --------------------------------------------------

void CGXGridWnd::SetStyleRange(const CGXRange &range, const CGXStyle &style)
{
    const ROWCOL top = std::max(range.top, 0);
    const ROWCOL left = std::max(range.left, 0);
    const ROWCOL bottom = std::min(range.bottom, rows_);
    const ROWCOL right = std::min(range.right, cols_);
    bool headerTouched = false;
    for (ROWCOL r = top; r <= bottom; ++r) {
        for (ROWCOL c = left; c <= right; ++c) {
            CGXStyle &target = cell(r, c);
            const QString before = target.GetValue();
            target.ChangeStyle(style);
            if (r == 0 || c == 0)
                headerTouched = true;
            else
                syncCell(r, c);
            if (style.value && target.GetValue() != before)
                emit valueChanged(r, c);
        }
    }
    if (headerTouched)
        syncHeaders();
}

void CGXGridWnd::SetValueRange(const CGXRange &range, const QString &value)
{
    SetStyleRange(range, CGXStyle().SetValue(value));
}

QString CGXGridWnd::GetValueRowCol(ROWCOL row, ROWCOL col) const
{
    if (!contains(row, col))
        return {};
    const CGXStyle &style = cell(row, col);
    if (style.IsCheckBox())
        return style.IsChecked() ? QStringLiteral("1") : QStringLiteral("0");
    return style.GetValue();
}

CGXStyle CGXGridWnd::GetStyleRowCol(ROWCOL row, ROWCOL col) const { return cell(row, col); }

// The table item holds the text the editor starts from and the flags that
// decide whether the cell can be edited; all drawing comes from the style.
void CGXGridWnd::syncCell(ROWCOL row, ROWCOL col)
{
    const CGXStyle &style = cell(row, col);
    syncing_ = true;
    QTableWidgetItem *entry = item(row - 1, col - 1);
    if (!entry) {
        entry = new QTableWidgetItem;
        setItem(row - 1, col - 1, entry);
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (style.GetControl() == GX_IDS_CTRL_EDIT)
        flags |= Qt::ItemIsEditable;
    entry->setFlags(flags);
    const QString text = style.IsCheckBox() ? style.choiceList.value_or(QString()) : style.GetValue();
    entry->setText(text);
    // Long labels may be shortened in the cell; the tip shows them whole.
    if (style.IsCheckBox())
        entry->setToolTip(text);
    entry->setFont(cellFont(style, font()));
    syncing_ = false;
}

void CGXGridWnd::syncHeaders()
{
    columnHeader_->viewport()->update();
    rowHeader_->viewport()->update();
}

void CGXGridWnd::onItemChanged(QTableWidgetItem *entry)
{
    if (syncing_ || !entry)
        return;
    const ROWCOL row = entry->row() + 1;
    const ROWCOL col = entry->column() + 1;
    if (!contains(row, col) || cell(row, col).GetControl() != GX_IDS_CTRL_EDIT)
        return;
    setValueByUser(row, col, entry->text());
}

void CGXGridWnd::setValueByUser(ROWCOL row, ROWCOL col, const QString &value)
{
    CGXStyle &target = cell(row, col);
    const QString previous = target.GetValue();
    if (previous == value)
        return;
    if (undoEnabled_) {
        undo_.push_back({row, col, previous});
        if (undo_.size() > kUndoDepth)
            undo_.pop_front();
    }
    target.value = value;
    if (row == 0 || col == 0)
        syncHeaders();
    else
        syncCell(row, col);
    emit valueChanged(row, col);
}

void CGXGridWnd::toggleCheckBox(ROWCOL row, ROWCOL col)
{
    if (!contains(row, col) || !cell(row, col).IsCheckBox())
        return;
    setValueByUser(row, col, cell(row, col).IsChecked() ? QStringLiteral("0") : QStringLiteral("1"));
    viewport()->update();
}

void CGXGridWnd::EnableUndo(bool on)
{
    undoEnabled_ = on;
    if (!on)
        undo_.clear();
}

bool CGXGridWnd::Undo()
{
    if (undo_.empty())
        return false;
    const UndoStep step = undo_.back();
    undo_.pop_back();
    if (!contains(step.row, step.col))
        return false;
    cell(step.row, step.col).value = step.previous;
    if (step.row == 0 || step.col == 0)
        syncHeaders();
    else
        syncCell(step.row, step.col);
    viewport()->update();
    emit valueChanged(step.row, step.col);
    return true;
}

// --- grid parameters ----------------------------------------------------

void CGXGridWnd::EnableSelection(unsigned flags)
{
    if ((flags & GX_SELCELL) != 0) {
        setSelectionMode(QAbstractItemView::SingleSelection);
        setSelectionBehavior(QAbstractItemView::SelectItems);
    } else {
        setSelectionMode(QAbstractItemView::NoSelection);
    }
}

void CGXGridWnd::EnableTrackColWidth(bool userMayResize)
{
    columnHeader_->setSectionResizeMode(userMayResize ? QHeaderView::Interactive
                                                      : QHeaderView::Fixed);
}

void CGXGridWnd::SetScrollBarMode(int bar, int mode)
{
    const Qt::ScrollBarPolicy policy = mode == 0   ? Qt::ScrollBarAlwaysOff
                                       : mode == 2 ? Qt::ScrollBarAlwaysOn
                                                   : Qt::ScrollBarAsNeeded;
    if (bar == 0 || bar == 3)
        setHorizontalScrollBarPolicy(policy);
    if (bar == 1 || bar == 3)
        setVerticalScrollBarPolicy(policy);
}

void CGXGridWnd::HideCols(ROWCOL from, ROWCOL to, bool hide)
{
    for (ROWCOL c = std::max(from, 0); c <= std::min(to, cols_); ++c) {
        if (c == 0)
            rowHeader_->setVisible(!hide);
        else
            setColumnHidden(c - 1, hide);
    }
}

// --- hooks and input ----------------------------------------------------

bool CGXGridWnd::OnLButtonDblClkRowCol(ROWCOL, ROWCOL) { return false; }

void CGXGridWnd::OnHeaderClickRowCol(ROWCOL, ROWCOL) {}

void CGXGridWnd::clickCell(ROWCOL row, ROWCOL col) { toggleCheckBox(row, col); }

void CGXGridWnd::clickHeader(ROWCOL row, ROWCOL col)
{
    if (!contains(row, col))
        return;
    toggleCheckBox(row, col);
    OnHeaderClickRowCol(row, col);
}

void CGXGridWnd::mousePressEvent(QMouseEvent *event)
{
    pressedIndex_ = indexAt(event->position().toPoint());
    QTableWidget::mousePressEvent(event);
}

void CGXGridWnd::mouseReleaseEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const bool endsDoubleClick = releaseEndsDoubleClick_;
    releaseEndsDoubleClick_ = false;
    QTableWidget::mouseReleaseEvent(event);
    // A double click toggles a check box once, from its first click.
    if (event->button() == Qt::LeftButton && !endsDoubleClick && index.isValid() &&
        index == pressedIndex_)
        clickCell(index.row() + 1, index.column() + 1);
}

void CGXGridWnd::mouseDoubleClickEvent(QMouseEvent *event)
{
    releaseEndsDoubleClick_ = true;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() &&
        OnLButtonDblClkRowCol(index.row() + 1, index.column() + 1)) {
        event->accept();
        return;
    }
    QTableWidget::mouseDoubleClickEvent(event);
}

void CGXGridWnd::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Undo)) {
        Undo();
        event->accept();
        return;
    }
    const QModelIndex current = currentIndex();
    if (event->key() == Qt::Key_Space && current.isValid() &&
        cell(current.row() + 1, current.column() + 1).IsCheckBox()) {
        clickCell(current.row() + 1, current.column() + 1);
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void CGXGridWnd::wheelEvent(QWheelEvent *event)
{
    if (!mouseWheel_) {
        event->ignore();
        return;
    }
    QTableWidget::wheelEvent(event);
}

} // namespace tarvex
