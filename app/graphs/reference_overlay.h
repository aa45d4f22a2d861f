// "Load Reference..." on a graph window's chart: the user picks a saved
// trace, trigger or alarm graph file, and its channels are drawn faded
// behind the live ones ("Clear Reference" removes them).
#pragma once

#include <QString>

class CChartView;
class QWidget;

namespace tarvex {
class MessageService;
}

namespace tarvex::graphs {

// `parent` hosts the file dialog; `messages` (may be null) hears of a file
// that cannot be read.
void offerReferenceOverlay(CChartView &chart, QWidget *parent, MessageService *messages);

// Loads `path` as the chart's reference; false, after a message, when it is
// no graph file or cannot be read.
bool loadReference(CChartView &chart, const QString &path, MessageService *messages);

} // namespace tarvex::graphs
