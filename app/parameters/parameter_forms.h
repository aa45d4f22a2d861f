// The group forms of the parameter window: one page of the tab control per
// parameter group, each holding its group's grid window (one row per
// parameter: check box with the object number, sub-index, name, value,
// default, unit and limits). The form is the group's table for the
// commands (GroupTable); it fills its grid from the catalogue records.
#pragma once

#include "app/ui/grid/grid_windows.h"
#include "drive/parameters/group_table.h"
#include "drive/parameters/parameter_catalogue.h"

#include <QDialog>

namespace tarvex {

class CParameterFormDlg : public QDialog, public parameters::GroupTable {
    Q_OBJECT
public:
    static constexpr int kGridControlId = 1001;

    // Grid columns.
    static constexpr int kColNumber = 1;
    static constexpr int kColSubIndex = 2;
    static constexpr int kColName = 3;
    static constexpr int kColValue = 4;
    static constexpr int kColDefault = 5;
    static constexpr int kColUnit = 6;
    static constexpr int kColMin = 7;
    static constexpr int kColMax = 8;
    static constexpr int kColCount = 8;

    CParameterFormDlg(int group, int templateId, QSize templateSize, QWidget *parent);

    int group() const { return m_group; }
    int templateId() const { return m_templateId; }
    virtual CSelectAllGridWnd &grid() = 0;
    const CSelectAllGridWnd &grid() const { return const_cast<CParameterFormDlg *>(this)->grid(); }

    // Takes the grid over and sets it up (the form's initialisation).
    void OnInitDialog();
    // Fills the grid from the group's catalogue records.
    void fillFromCatalogue(const parameters::GroupCatalogue &group);

    // GroupTable
    int rowCount() const override { return m_rowCount; }
    bool isChecked(int index) const override;
    std::string valueText(int index) const override;
    std::string defaultText(int index) const override;
    void showValue(int index, const std::string &text, parameters::ValueLook look) override;
    void setValueLook(int index, parameters::ValueLook look) override;
    void setUnit(int index, const std::string &text) override;
    void commitEditing() override;

protected:
    // Escape would close the form page like a dialog; it is swallowed.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyGridStyles();
    bool hasRow(int index) const { return index >= 0 && index < m_rowCount; }

    int m_group;
    int m_templateId;
    int m_rowCount = 0;
};

// Each form with its own grid window class.
template <class Grid>
class CParameterGroupForm : public CParameterFormDlg {
public:
    CParameterGroupForm(int group, int templateId, QSize templateSize, QWidget *parent)
        : CParameterFormDlg(group, templateId, templateSize, parent), m_grid(this)
    {
    }
    CSelectAllGridWnd &grid() override { return m_grid; }

private:
    Grid m_grid;
};

#define TARVEX_PARAMETER_FORM(Name, GridClass, groupNumber, templateNumber, width, height)          \
    class Name : public CParameterGroupForm<GridClass> {                                          \
    public:                                                                                        \
        static constexpr int kGroup = groupNumber;                                                 \
        static constexpr int kTemplateId = templateNumber;                                         \
        explicit Name(QWidget *parent = nullptr)                                                   \
            : CParameterGroupForm<GridClass>(groupNumber, templateNumber, QSize(width, height), parent) \
        {                                                                                          \
        }                                                                                          \
    }

// Template sizes in dialog units.
TARVEX_PARAMETER_FORM(CPStatusFormDlg, CStatusGridWnd, 0, 311, 560, 300);
TARVEX_PARAMETER_FORM(CPSystemFormDlg, CSystemGridWnd, 1, 312, 568, 300);
TARVEX_PARAMETER_FORM(CPControlFormDlg, CControlGridWnd, 2, 313, 567, 300);
TARVEX_PARAMETER_FORM(CPInOutFormDlg, CInOutGridWnd, 3, 314, 566, 300);
TARVEX_PARAMETER_FORM(CPSpeedFormDlg, CSpeedGridWnd, 4, 315, 550, 300);
TARVEX_PARAMETER_FORM(CPPositionFormDlg, CPositionGridWnd, 5, 316, 550, 300);
TARVEX_PARAMETER_FORM(CPFactoryFormDlg, CFactoryGridWnd, 6, 317, 550, 300);
TARVEX_PARAMETER_FORM(CPFullclosedFormDlg, CFullclosedGridWnd, 7, 316, 550, 300);

#undef TARVEX_PARAMETER_FORM

} // namespace tarvex
