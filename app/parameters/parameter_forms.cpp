#include "app/parameters/parameter_forms.h"

#include "app/parameters/dialog_units.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include <array>

namespace tarvex {

namespace {

using parameters::ValueColour;
using parameters::ValueLook;

constexpr int kHeaderRowHeight = 25;
constexpr int kRowHeight = 20;
constexpr std::array<int, CParameterFormDlg::kColCount + 1> kColWidths{0, 90, 60, 225, 95, 95, 60, 95, 97};
constexpr std::array<const char *, CParameterFormDlg::kColCount + 1> kHeaders{
    "", "Object Num", "SubIndex", "Name", "Value", "Default", "Unit", "Min. Value", "Max. Value"};

QColor headerColour() { return GXRgb(236, 233, 216); }
QColor headerTextColour() { return GXRgb(0, 0, 255); }

QColor colourOf(ValueColour colour)
{
    switch (colour) {
    case ValueColour::Red: return GXRgb(255, 0, 0);
    case ValueColour::Blue: return GXRgb(0, 0, 255);
    case ValueColour::Black: break;
    }
    return GXRgb(0, 0, 0);
}

CGXStyle lookStyle(ValueLook look)
{
    CGXStyle style;
    style.SetTextColor(colourOf(look.colour));
    if (look.bold)
        style.SetFont(CGXFont().SetBold(*look.bold));
    return style;
}

QString qText(const CatalogueText &value) { return QString::fromStdU16String(value); }

} // namespace

CParameterFormDlg::CParameterFormDlg(int group, int templateId, QSize templateSize, QWidget *parent)
    : QDialog(parent), m_group(group), m_templateId(templateId)
{
    // A page of the tab control, not a window of its own (a dialog is one by default).
    setWindowFlags(Qt::Widget);
    resize(parameters::duSize(templateSize.width(), templateSize.height()));
}

void CParameterFormDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CParameterFormDlg::OnInitDialog()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&grid());
    CSelectAllGridWnd &g = grid();
    g.Initialize();
    g.EnableSelection(GX_SELCELL);
    g.EnableTrackColWidth(false);
    // The columns scroll where the screen is narrower than the window
    // would be; with room they all show.
    g.SetScrollBarMode(0, 1);
    g.EnableMouseWheel(true);
}

void CParameterFormDlg::fillFromCatalogue(const parameters::GroupCatalogue &group)
{
    CSelectAllGridWnd &g = grid();
    const int count = group.count();
    g.SetRowCount(count);
    g.SetColCount(kColCount);
    g.HideCols(0, 0);
    m_rowCount = count;
    for (int i = 0; i < count; ++i) {
        const ParameterAttribute &p = group.attributes[static_cast<std::size_t>(i)];
        const int row = i + 1;
        CGXStyle number;
        number.SetChoiceList(qText(p.Param_Num));
        if (p.Param_Change == 1)
            number.SetTextColor(GXRgb(255, 0, 0));
        else if (p.Param_Change == 2)
            number.SetTextColor(GXRgb(0, 0, 255));
        g.SetStyleRange(CGXRange(row, kColNumber), number);
        g.SetValueRange(CGXRange(row, kColSubIndex), qText(p.Servo_ID));
        g.SetValueRange(CGXRange(row, kColName), qText(p.Param_Name));
        g.SetValueRange(CGXRange(row, kColDefault), qText(p.Param_Value));
        g.SetValueRange(CGXRange(row, kColUnit), qText(p.Param_Unit));
        // The limits are shown as the catalogue writes them; they are data,
        // never a format.
        g.SetValueRange(CGXRange(row, kColMin), qText(p.Param_Min_Value));
        g.SetValueRange(CGXRange(row, kColMax), qText(p.Param_Max_Value));
    }
    applyGridStyles();
}

void CParameterFormDlg::applyGridStyles()
{
    CSelectAllGridWnd &g = grid();
    const int rows = m_rowCount;
    for (int c = 1; c <= kColCount; ++c)
        g.SetColWidth(c, c, kColWidths[static_cast<std::size_t>(c)]);
    g.SetRowHeight(0, 0, kHeaderRowHeight);
    if (rows > 0)
        g.SetRowHeight(1, rows, kRowHeight);
    for (int c = kColSubIndex; c <= kColCount; ++c)
        g.SetValueRange(CGXRange(0, c), QString::fromLatin1(kHeaders[static_cast<std::size_t>(c)]));

    g.SetStyleRange(CGXRange(0, 0, rows, kColCount), CGXStyle()
                                                         .SetFont(CGXFont().SetSize(9).SetBold(false))
                                                         .SetVerticalAlignment(Qt::AlignVCenter));
    g.SetStyleRange(CGXRange(0, 0, 0, kColCount), CGXStyle().SetTextColor(headerTextColour()));
    const CGXStyle checkBox =
        CGXStyle().SetControl(GX_IDS_CTRL_CHECKBOX3D).SetInterior(headerColour());
    g.SetStyleRange(CGXRange(0, kColNumber),
                    CGXStyle(checkBox).SetChoiceList(QString::fromLatin1(kHeaders[kColNumber])));
    if (rows > 0)
        g.SetStyleRange(CGXRange(1, kColNumber, rows, kColNumber), checkBox);
    g.SetStyleRange(CGXRange(0, kColSubIndex, 0, kColCount), CGXStyle().SetInterior(headerColour()));
    if (m_group != 0 && rows > 0)
        g.SetStyleRange(CGXRange(1, kColValue, rows, kColValue), CGXStyle().SetControl(GX_IDS_CTRL_EDIT));
    g.EnableUndo(true);
}

// --- the group's table ----------------------------------------------------------

bool CParameterFormDlg::isChecked(int index) const
{
    return hasRow(index) && grid().GetValueRowCol(index + 1, kColNumber) == QLatin1String("1");
}

std::string CParameterFormDlg::valueText(int index) const
{
    return hasRow(index) ? grid().GetValueRowCol(index + 1, kColValue).toStdString() : std::string();
}

std::string CParameterFormDlg::defaultText(int index) const
{
    return hasRow(index) ? grid().GetValueRowCol(index + 1, kColDefault).toStdString() : std::string();
}

void CParameterFormDlg::showValue(int index, const std::string &text, ValueLook look)
{
    if (!hasRow(index))
        return;
    grid().SetStyleRange(CGXRange(index + 1, kColValue),
                         lookStyle(look).SetValue(QString::fromStdString(text)));
}

void CParameterFormDlg::setValueLook(int index, ValueLook look)
{
    if (hasRow(index))
        grid().SetStyleRange(CGXRange(index + 1, kColValue), lookStyle(look));
}

void CParameterFormDlg::setUnit(int index, const std::string &text)
{
    if (hasRow(index))
        grid().SetValueRange(CGXRange(index + 1, kColUnit), QString::fromStdString(text));
}

// Moving the current cell away makes the view hand the open editor's text
// to the cell and close the editor; the current cell is then put back.
void CParameterFormDlg::commitEditing()
{
    CSelectAllGridWnd &g = grid();
    if (!g.isEditing())
        return;
    const QModelIndex current = g.currentIndex();
    g.selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    g.selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
}

} // namespace tarvex
