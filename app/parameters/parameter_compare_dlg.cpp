#include "app/parameters/parameter_compare_dlg.h"

#include "app/parameters/read_only_item.h"
#include "drive/parameters/parameter_groups.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tarvex {

CParameterCompareDlg::CParameterCompareDlg(std::vector<parameters::ComparedRow> rows, const QString &fileName,
                                           QWidget *parent)
    : QDialog(parent), rows_(std::move(rows)), table_(new QTableWidget(this))
{
    setWindowTitle(QStringLiteral("Compare with File"));
    setSizeGripEnabled(true);
    auto *caption = new QLabel(
        QStringLiteral("%1 parameters differ between the drive and %2. Tick the file values to write.")
            .arg(rows_.size())
            .arg(fileName),
        this);
    caption->setWordWrap(true);

    table_->setColumnCount(kColCount);
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Object Num"), QStringLiteral("Name"), QStringLiteral("Drive Value"),
         QStringLiteral("File Value")});
    table_->setRowCount(static_cast<int>(rows_.size()));
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(false);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const parameters::ComparedRow &row = rows_[i];
        const int r = static_cast<int>(i);
        auto *number = readOnlyItem(row.number);
        number->setFlags(number->flags() | Qt::ItemIsUserCheckable);
        number->setCheckState(Qt::Checked);
        number->setToolTip(QString::fromLatin1(parameters::kGroupTexts[static_cast<std::size_t>(row.group)].tab));
        table_->setItem(r, kColNumber, number);
        table_->setItem(r, kColName, readOnlyItem(row.name));
        table_->setItem(r, kColDrive, readOnlyItem(row.driveValue));
        table_->setItem(r, kColFile, readOnlyItem(row.fileValue));
    }
    table_->resizeColumnsToContents();
    table_->horizontalHeader()->setStretchLastSection(true);

    auto *buttons = new QDialogButtonBox(this);
    write_ = buttons->addButton(QStringLiteral("&Write Selected"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
    write_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableWidget::itemChanged, this, &CParameterCompareDlg::updateWriteButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);

    int width = table_->verticalScrollBar()->sizeHint().width() + 2 * table_->frameWidth() + 24;
    for (int c = 0; c < kColCount; ++c)
        width += table_->columnWidth(c);
    resize(std::max(width, 420), 360);
    updateWriteButton();
}

std::vector<parameters::ComparedRow> CParameterCompareDlg::tickedRows() const
{
    std::vector<parameters::ComparedRow> ticked;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (const QTableWidgetItem *item = table_->item(static_cast<int>(i), kColNumber);
            item && item->checkState() == Qt::Checked)
            ticked.push_back(rows_[i]);
    return ticked;
}

void CParameterCompareDlg::updateWriteButton()
{
    const bool any = !tickedRows().empty();
    write_->setEnabled(any);
    write_->setToolTip(any ? QString() : QStringLiteral("Tick the parameters to write"));
}

} // namespace tarvex
