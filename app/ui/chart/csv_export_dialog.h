// "Export CSV...": the file dialog for a comma-separated export and the
// writing, with its message when the file cannot be written. The graph
// windows hand their chart an export that builds the table of what they
// show at the moment it is chosen.
#pragma once

#include "drive/capture/capture_csv.h"

#include <QString>

#include <functional>

class CChartView;
class QWidget;

namespace tarvex {
class MessageService;
}

namespace tarvex::graphs {

// The file to write, or empty when the user cancelled.
QString chooseCsvFileToSave(QWidget *parent);

// Writes the table; false after the message when it cannot.
bool saveCsvFile(const QString &path, const CsvTable &table, MessageService *messages);

// The chart's "Export CSV..." asks for a file and writes `table()` to it;
// failures to write a picture or the CSV are reported through `messages`.
void offerCsvExport(CChartView &chart, QWidget *parent, std::function<CsvTable()> table, MessageService *messages);

} // namespace tarvex::graphs
