#include "csv_export_dialog.h"

#include "chart_view.h"
#include "message_service.h"

#include <QFile>
#include <QFileDialog>

namespace tarvex::graphs {

QString chooseCsvFileToSave(QWidget *parent)
{
    QFileDialog dialog(parent, QStringLiteral("Export CSV"));
    dialog.setNameFilter(QStringLiteral("CSV File(*.csv)"));
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool saveCsvFile(const QString &path, const CsvTable &table, MessageService *messages)
{
    if (writeCsvFile(QFile::encodeName(path).toStdString(), table))
        return true;
    if (messages)
        messages->show("Cannot Save CSV File");
    return false;
}

void offerCsvExport(CChartView &chart, QWidget *parent, std::function<CsvTable()> table, MessageService *messages)
{
    chart.setMessages(messages);
    chart.setCsvExport([parent, table = std::move(table), messages] {
        const QString path = chooseCsvFileToSave(parent);
        if (!path.isEmpty())
            saveCsvFile(path, table(), messages);
    });
}

} // namespace tarvex::graphs
