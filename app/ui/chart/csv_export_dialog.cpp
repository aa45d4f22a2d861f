#include "app/ui/chart/csv_export_dialog.h"

#include "app/ui/chart/chart_view.h"
#include "app/ui/files/file_dialogs.h"
#include "app/ui/ui_wait.h"
#include "drive/connection/message_service.h"

#include <QFile>

namespace tarvex::graphs {

QString chooseCsvFileToSave(QWidget *parent)
{
    return chooseFile(parent, {QStringLiteral("csv"), {QStringLiteral("CSV File(*.csv)")}}, FileChoice::Save,
                      QStringLiteral("Export CSV"));
}

bool saveCsvFile(const QString &path, const CsvTable &table, MessageService *messages)
{
    const std::string name = QFile::encodeName(path).toStdString();
    // Two hours of a trace run make tens of megabytes: the window keeps
    // painting while they are written (the table is the caller's copy, so
    // nothing the window changes meanwhile reaches the file).
    FileOutcome saved{"the file was not written"};
    runKeepingUiAlive([&] { saved = writeCsvFile(name, table); });
    if (saved)
        return true;
    if (messages)
        messages->show("Cannot Save CSV File", name + ": " + saved.reason);
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
