#include "alarm_graph_window.h"

#include "alarm_graph_dlg.h"

namespace tarvex {

void CAlarmGraphWindow::present()
{
    if (!drive_)
        return;
    CAlarmGraphDlg dialog(drive_, frame_);
    dialog.setLinkRunner(runner_);
    dialog.exec();
}

} // namespace tarvex
