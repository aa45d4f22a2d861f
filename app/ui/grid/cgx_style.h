// Cell addressing and cell styles of the grid layer. Row 0 and column 0 are
// the header row and column; body cells start at (1, 1). A style carries
// only the attributes that were set on it, so applying it to a cell changes
// those attributes and keeps the others.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>
#include <optional>

namespace tarvex {

using ROWCOL = int;

// Cell controls, by the identifiers the table windows use.
inline constexpr int GX_IDS_CTRL_EDIT = 52513;       // text the user may type into
inline constexpr int GX_IDS_CTRL_STATIC = 52520;     // text or a named image, read-only
inline constexpr int GX_IDS_CTRL_CHECKBOX3D = 52523; // check box holding "0" or "1"

// Selection switches for EnableSelection.
inline constexpr unsigned GX_SELNONE = 0;
inline constexpr unsigned GX_SELCELL = 16; // the user may select single cells

// A colour given as red, green, blue.
inline QColor GXRgb(int red, int green, int blue) { return QColor(red, green, blue); }

class CGXRange {
public:
    CGXRange(ROWCOL row, ROWCOL col) : top(row), left(col), bottom(row), right(col) {}
    CGXRange(ROWCOL top_, ROWCOL left_, ROWCOL bottom_, ROWCOL right_)
        : top(top_), left(left_), bottom(bottom_), right(right_)
    {
    }
    static CGXRange Rows(ROWCOL from, ROWCOL to) { return {from, 0, to, kAll}; }
    static CGXRange Cols(ROWCOL from, ROWCOL to) { return {0, from, kAll, to}; }
    static CGXRange Table() { return {0, 0, kAll, kAll}; }

    static constexpr ROWCOL kAll = 1 << 30; // clamped to the grid's size when applied

    ROWCOL top;
    ROWCOL left;
    ROWCOL bottom;
    ROWCOL right;
};

class CGXFont {
public:
    CGXFont &SetSize(int points)
    {
        size = points;
        return *this;
    }
    CGXFont &SetBold(bool on)
    {
        bold = on;
        return *this;
    }
    CGXFont &SetFaceName(const QString &name)
    {
        face = name;
        return *this;
    }
    // Attributes of `other` that are set replace these.
    void ChangeFont(const CGXFont &other);

    std::optional<int> size;
    std::optional<bool> bold;
    std::optional<QString> face;
};

class CGXStyle {
public:
    CGXStyle &SetValue(const QString &text)
    {
        value = text;
        return *this;
    }
    CGXStyle &SetValue(const char *text) { return SetValue(QString::fromUtf8(text)); }
    CGXStyle &SetValue(std::int64_t number) { return SetValue(QString::number(number)); }
    // The label of a check box, or the choices of a list cell (one per line).
    CGXStyle &SetChoiceList(const QString &text)
    {
        choiceList = text;
        return *this;
    }
    CGXStyle &SetTextColor(const QColor &color)
    {
        textColor = color;
        return *this;
    }
    CGXStyle &SetInterior(const QColor &color)
    {
        interior = color;
        return *this;
    }
    CGXStyle &SetVerticalAlignment(Qt::Alignment alignment)
    {
        verticalAlignment = alignment & Qt::AlignVertical_Mask;
        return *this;
    }
    CGXStyle &SetHorizontalAlignment(Qt::Alignment alignment)
    {
        horizontalAlignment = alignment & Qt::AlignHorizontal_Mask;
        return *this;
    }
    CGXStyle &SetFont(const CGXFont &cellFont)
    {
        font.ChangeFont(cellFont);
        hasFont = true;
        return *this;
    }
    CGXStyle &SetControl(int id)
    {
        control = id;
        return *this;
    }

    // Attributes of `other` that are set replace these.
    void ChangeStyle(const CGXStyle &other);

    // What a cell shows, with the defaults for attributes never set.
    QString GetValue() const { return value.value_or(QString()); }
    int GetControl() const { return control.value_or(GX_IDS_CTRL_STATIC); }
    bool IsCheckBox() const { return GetControl() == GX_IDS_CTRL_CHECKBOX3D; }
    bool IsChecked() const;

    std::optional<QString> value;
    std::optional<QString> choiceList;
    std::optional<QColor> textColor;
    std::optional<QColor> interior;
    std::optional<Qt::Alignment> verticalAlignment;
    std::optional<Qt::Alignment> horizontalAlignment;
    CGXFont font;
    bool hasFont = false;
    std::optional<int> control;
};

} // namespace tarvex
