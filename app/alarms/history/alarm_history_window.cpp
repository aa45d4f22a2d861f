#include "alarm_history_window.h"

#include "alarm_history_dlg.h"

namespace tarvex {

void CAlarmHistoryWindow::present()
{
    CAlarmHistoryDlg dialog(drive_, frame_);
    dialog.setLinkRunner(runner_);
    dialog.exec();
}

} // namespace tarvex
