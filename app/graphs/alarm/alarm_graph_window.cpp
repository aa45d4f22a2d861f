#include "app/graphs/alarm/alarm_graph_window.h"

#include "app/graphs/alarm/alarm_graph_dlg.h"
#include "app/ui/settings/window_size_keeper.h"

#include <QPushButton>
#include <QTimer>

namespace tarvex {

void CAlarmGraphWindow::present()
{
    if (!drive_)
        return;
    CAlarmGraphDlg dialog(drive_, frame_);
    keepWindowSize(dialog);
    dialog.setLinkRunner(runner_);
    // Loaded once the window runs, as its own Open would.
    const QString file = QString::fromStdString(takeFileToOpen());
    if (!file.isEmpty())
        QTimer::singleShot(0, &dialog, [&dialog, file] {
            if (dialog.canOpenFile())
                dialog.OpenFrom(file);
        });
    dialog.exec();
}

} // namespace tarvex
