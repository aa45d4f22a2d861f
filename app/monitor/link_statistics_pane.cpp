#include "app/monitor/link_statistics_pane.h"

#include "app/ui/files/file_dialogs.h"
#include "drive/connection/drive_connection.h"
#include "drive/connection/link_statistics_text.h"
#include "drive/connection/message_service.h"
#include "drive/files/file_access.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tarvex {

CLinkStatisticsPane::CLinkStatisticsPane(MessageService &messages, QWidget *parent)
    : QDockWidget(QStringLiteral("Link Statistics"), parent), messages_(messages)
{
    setObjectName(QStringLiteral("LinkStatisticsPane"));
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    table_ = new QTableWidget(0, 2, body);
    table_->setObjectName(QStringLiteral("linkStatisticsTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("Figure"), QStringLiteral("Value")});
    table_->verticalHeader()->hide();
    // Rows as close as the monitor grids', so that most figures show at once.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    layout->addWidget(table_);
    note_ = new QLabel(body);
    note_->setWordWrap(true);
    note_->hide();
    layout->addWidget(note_);
    auto *buttons = new QHBoxLayout;
    reset_ = new QPushButton(QStringLiteral("&Reset"), body);
    reset_->setObjectName(QStringLiteral("resetLinkStatistics"));
    reset_->setToolTip(QStringLiteral("Starts the counts afresh; the frame log stays"));
    save_ = new QPushButton(QStringLiteral("Save Frame &Log..."), body);
    save_->setObjectName(QStringLiteral("saveFrameLog"));
    save_->setToolTip(QStringLiteral("Writes the last exchanges' bytes with their verdicts to a text file"));
    buttons->addWidget(reset_);
    buttons->addStretch();
    buttons->addWidget(save_);
    layout->addLayout(buttons);
    setWidget(body);

    timer_ = new QTimer(this);
    timer_->setInterval(kRefreshMs);
    connect(timer_, &QTimer::timeout, this, &CLinkStatisticsPane::refresh);
    connect(reset_, &QPushButton::clicked, this, [this] {
        if (drive_)
            drive_->link().ResetStatistics();
        refresh();
    });
    connect(save_, &QPushButton::clicked, this, &CLinkStatisticsPane::saveFrameLog);
    refresh();
}

void CLinkStatisticsPane::setDriveConnection(DriveConnection *drive)
{
    drive_ = drive;
    refresh();
}

QString CLinkStatisticsPane::note() const { return note_->isVisibleTo(this) ? note_->text() : QString(); }

QString CLinkStatisticsPane::value(const QString &label) const
{
    for (int row = 0; row < table_->rowCount(); ++row)
        if (table_->item(row, 0) && table_->item(row, 0)->text() == label)
            return table_->item(row, 1) ? table_->item(row, 1)->text() : QString();
    return {};
}

void CLinkStatisticsPane::refresh()
{
    VQLinkStatistics statistics{};
    const bool known = drive_ && drive_->link().Statistics(statistics);
    reset_->setEnabled(known);
    save_->setEnabled(drive_ && drive_->link().hasFrameLog());
    note_->setVisible(!known);
    if (!known) {
        note_->setText(QStringLiteral("The link library in use keeps no statistics."));
        table_->setRowCount(0);
        return;
    }
    const std::vector<StatisticsRow> rows = statisticsRows(statistics);
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const QString label = QString::fromStdString(rows[static_cast<std::size_t>(row)].label);
        const QString value = QString::fromStdString(rows[static_cast<std::size_t>(row)].value);
        // Items are reused: a refresh every second keeps the view still.
        for (int column = 0; column < 2; ++column) {
            const QString &text = column == 0 ? label : value;
            if (QTableWidgetItem *item = table_->item(row, column)) {
                if (item->text() != text)
                    item->setText(text);
            } else {
                table_->setItem(row, column, new QTableWidgetItem(text));
            }
        }
    }
}

void CLinkStatisticsPane::showEvent(QShowEvent *event)
{
    QDockWidget::showEvent(event);
    refresh();
    timer_->start();
}

void CLinkStatisticsPane::hideEvent(QHideEvent *event)
{
    timer_->stop();
    QDockWidget::hideEvent(event);
}

void CLinkStatisticsPane::saveFrameLog()
{
    if (!drive_ || !drive_->link().hasFrameLog())
        return;
    // Taken before the dialog: the log shows the exchanges up to the click.
    const std::string text = frameLogText(readFrameLog(drive_->link()));
    const QString path = chooseFile(this, {QStringLiteral("log"), {QStringLiteral("Frame Log(*.log)")}},
                                    FileChoice::Save, QStringLiteral("Save Frame Log"));
    if (path.isEmpty())
        return;
    const FileOutcome saved = saveFileAtomically(QFile::encodeName(path).toStdString(), text);
    if (!saved)
        messages_.show("Cannot Save Frame Log File", saved.reason);
}

} // namespace tarvex
