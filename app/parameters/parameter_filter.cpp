#include "app/parameters/parameter_filter.h"

#include "app/parameters/parameter_forms.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace tarvex {

namespace {

// A row without a default of its own (the status readings show "-") has
// nothing it could have been changed from.
bool hasDefault(const QString &defaultValue)
{
    const QString trimmed = defaultValue.trimmed();
    return !trimmed.isEmpty() && trimmed != QLatin1String("-");
}

bool numberStartsWith(const QString &number, const QString &text)
{
    if (number.startsWith(text, Qt::CaseInsensitive))
        return true;
    const bool prefixed = number.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    return prefixed && number.mid(2).startsWith(text, Qt::CaseInsensitive);
}

} // namespace

bool ParameterFilter::matches(const QString &number, const QString &name, const QString &value,
                              const QString &defaultValue) const
{
    const QString wanted = text.trimmed();
    if (!wanted.isEmpty() && !name.contains(wanted, Qt::CaseInsensitive) && !numberStartsWith(number, wanted))
        return false;
    if (changedOnly && (!hasDefault(defaultValue) || value.trimmed().isEmpty() || value == defaultValue))
        return false;
    return true;
}

void applyParameterFilter(CParameterFormDlg &form, const ParameterFilter &filter)
{
    CSelectAllGridWnd &grid = form.grid();
    for (int row = 1; row <= form.rowCount(); ++row) {
        const bool shown =
            filter.isEmpty() ||
            filter.matches(grid.GetStyleRowCol(row, CParameterFormDlg::kColNumber).choiceList.value_or(QString()),
                           grid.GetValueRowCol(row, CParameterFormDlg::kColName),
                           grid.GetValueRowCol(row, CParameterFormDlg::kColValue),
                           grid.GetValueRowCol(row, CParameterFormDlg::kColDefault));
        if (grid.isRowHidden(row - 1) == shown)
            grid.setRowHidden(row - 1, !shown);
    }
}

CParameterFilterBar::CParameterFilterBar(QWidget *parent)
    : QWidget(parent), text_(new QLineEdit(this)),
      changedOnly_(new QCheckBox(QStringLiteral("C&hanged from default"), this))
{
    auto *label = new QLabel(QStringLiteral("&Filter:"), this);
    label->setBuddy(text_);
    text_->setPlaceholderText(QStringLiteral("Filter by name or number"));
    text_->setClearButtonEnabled(true);
    text_->setMaxLength(64);
    changedOnly_->setToolTip(QStringLiteral("Show only the parameters whose value differs from the default"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    layout->addWidget(text_, 1);
    layout->addSpacing(12);
    layout->addWidget(changedOnly_);
    connect(text_, &QLineEdit::textChanged, this, &CParameterFilterBar::filterChanged);
    connect(changedOnly_, &QCheckBox::toggled, this, &CParameterFilterBar::filterChanged);
}

ParameterFilter CParameterFilterBar::filter() const { return {text_->text(), changedOnly_->isChecked()}; }

} // namespace tarvex
