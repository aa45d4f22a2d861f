#include "app/parameters/snapshots_dlg.h"

#include "app/parameters/read_only_item.h"
#include "app/ui/drive_work_box.h"
#include "drive/snapshots/drive_snapshot.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tarvex {

namespace {

// `widest`, the column with the longest texts, takes the room the others
// leave, shortened in its middle, so that every column stays in view.
QTableWidget *newTable(QWidget *parent, const QStringList &headers, int widest)
{
    auto *table = new QTableWidget(parent);
    table->setColumnCount(static_cast<int>(headers.size()));
    table->setHorizontalHeaderLabels(headers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->setWordWrap(false);
    QHeaderView *header = table->horizontalHeader();
    for (int column = 0; column < table->columnCount(); ++column)
        header->setSectionResizeMode(column, column == widest ? QHeaderView::Stretch : QHeaderView::ResizeToContents);
    return table;
}

} // namespace

CSnapshotsDlg::CSnapshotsDlg(DriveConnection &drive, bool driveReachable, QWidget *parent)
    : QDialog(parent), drive_(drive), driveReachable_(driveReachable)
{
    setWindowTitle(QStringLiteral("Snapshots"));
    setSizeGripEnabled(true);
    const snapshots::SnapshotStore store(snapshots::defaultSnapshotFolder());
    snapshots_ = store.list();
    std::reverse(snapshots_.begin(), snapshots_.end());

    auto *caption = new QLabel(
        snapshots_.empty()
            ? QStringLiteral("No snapshots yet. One is kept before every write to the drive, in %1.")
                  .arg(QString::fromStdString(store.folder()))
            : QStringLiteral("Kept before each change of the drive, in %1.").arg(QString::fromStdString(store.folder())),
        this);
    caption->setWordWrap(true);

    table_ = newTable(this, {QStringLiteral("Time (UTC)"), QStringLiteral("Reason"), QStringLiteral("Firmware"),
                             QStringLiteral("Port"), QStringLiteral("Node")},
                      kColPort);
    table_->setRowCount(static_cast<int>(snapshots_.size()));
    for (std::size_t i = 0; i < snapshots_.size(); ++i) {
        const snapshots::SnapshotHeader &h = snapshots_[i].header;
        const int r = static_cast<int>(i);
        table_->setItem(r, kColTime, readOnlyItem(h.time));
        table_->setItem(r, kColReason, readOnlyItem(h.reason));
        table_->setItem(r, kColFirmware, readOnlyItem(h.firmware));
        QTableWidgetItem *port = readOnlyItem(h.port);
        port->setToolTip(QString::fromStdString(h.port));
        table_->setItem(r, kColPort, port);
        table_->setItem(r, kColNode, readOnlyItem(std::to_string(h.node)));
    }

    summary_ = new QLabel(this);
    summary_->setWordWrap(true);
    differences_ = newTable(this, {QStringLiteral("Object Num"), QStringLiteral("Name"),
                                   QStringLiteral("Drive Value"), QStringLiteral("Snapshot Value")},
                            kDiffName);

    auto *buttons = new QDialogButtonBox(this);
    compare_ = buttons->addButton(QStringLiteral("&Differences"), QDialogButtonBox::ActionRole);
    restore_ = buttons->addButton(QStringLiteral("&Restore\u2026"), QDialogButtonBox::ActionRole);
    QPushButton *close = buttons->addButton(QDialogButtonBox::Close);
    compare_->setToolTip(QStringLiteral("List the parameters whose drive value differs from the snapshot"));
    restore_->setToolTip(QStringLiteral("Open the snapshot in the parameter window, to write it with All Write"));
    connect(compare_, &QPushButton::clicked, this, &CSnapshotsDlg::showDifferences);
    connect(restore_, &QPushButton::clicked, this, &CSnapshotsDlg::restore);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        differences_->setRowCount(0);
        summary_->clear();
        updateButtons();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption);
    layout->addWidget(table_, 1);
    layout->addWidget(summary_);
    layout->addWidget(differences_, 1);
    layout->addWidget(buttons);
    resize(720, 480);
    if (!snapshots_.empty())
        table_->selectRow(0);
    updateButtons();
}

const snapshots::Snapshot *CSnapshotsDlg::selected() const
{
    const int row = table_->currentRow();
    if (row < 0 || static_cast<std::size_t>(row) >= snapshots_.size() || table_->selectedItems().isEmpty())
        return nullptr;
    return &snapshots_[static_cast<std::size_t>(row)];
}

void CSnapshotsDlg::updateButtons()
{
    const bool any = selected() != nullptr;
    compare_->setEnabled(any && driveReachable_);
    restore_->setEnabled(any && driveReachable_);
    if (!driveReachable_)
        compare_->setToolTip(QStringLiteral("Connect to the drive first"));
}

void CSnapshotsDlg::showDifferences()
{
    const snapshots::Snapshot *snapshot = selected();
    if (!snapshot)
        return;
    std::optional<std::vector<snapshots::SnapshotDifference>> rows;
    {
        DriveWorkBox box(this, QStringLiteral("Snapshots"));
        box.begin();
        rows = snapshots::compareWithDrive(drive_, *snapshot,
                                           [&box](const std::function<void()> &call) { box.run(call); });
    }
    differences_->setRowCount(0);
    if (!rows) {
        summary_->setText(QStringLiteral("The differences could not be read."));
        return;
    }
    summary_->setText(rows->empty() ? QStringLiteral("The drive holds the values of this snapshot.")
                                    : QStringLiteral("%1 parameters differ from the snapshot.").arg(rows->size()));
    differences_->setRowCount(static_cast<int>(rows->size()));
    for (std::size_t i = 0; i < rows->size(); ++i) {
        const snapshots::SnapshotDifference &d = (*rows)[i];
        const int r = static_cast<int>(i);
        differences_->setItem(r, kDiffNumber, readOnlyItem(d.number + ":" + d.subIndex));
        differences_->setItem(r, kDiffName, readOnlyItem(d.name));
        differences_->setItem(r, kDiffDrive, readOnlyItem(d.driveValue));
        differences_->setItem(r, kDiffSnapshot, readOnlyItem(d.snapshotValue));
    }
}

void CSnapshotsDlg::restore()
{
    if (const snapshots::Snapshot *snapshot = selected()) {
        chosen_ = *snapshot;
        accept();
    }
}

} // namespace tarvex
