#include "app/graphs/reference_overlay.h"

#include "app/ui/chart/chart_view.h"
#include "app/graphs/graph_file_dialog.h"
#include "drive/connection/message_service.h"
#include "drive/capture/reference_capture.h"

#include <QFile>
#include <QFileInfo>

namespace tarvex::graphs {

void offerReferenceOverlay(CChartView &chart, QWidget *parent, MessageService *messages)
{
    chart.setReferenceLoad([&chart, parent, messages] {
        const QString path = chooseAnyGraphFileToOpen(parent);
        if (!path.isEmpty())
            loadReference(chart, path, messages);
    });
}

bool loadReference(CChartView &chart, const QString &path, MessageService *messages)
{
    const std::optional<GraphKind> kind = graphKindOfPath(QFile::encodeName(path).toStdString());
    if (!kind) {
        if (messages)
            messages->show("Cannot Open Reference File", "A reference is a trace (.mdg), trigger (.mtg) or alarm graph (.mag) file.");
        return false;
    }
    GraphFileContents contents;
    if (!openGraphFile(path, *kind, contents, messages))
        return false;
    const ReferenceCapture reference = referenceOf(*kind, contents);
    chart.setReference(reference.physical, QFileInfo(path).fileName());
    return true;
}

} // namespace tarvex::graphs
