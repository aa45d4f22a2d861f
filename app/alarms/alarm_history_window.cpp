#include "app/alarms/alarm_history_window.h"

#include "app/alarms/alarm_history_dlg.h"
#include "app/ui/settings/window_size_keeper.h"

namespace tarvex {

void CAlarmHistoryWindow::present()
{
    CAlarmHistoryDlg dialog(drive_, frame_);
    keepWindowSize(dialog);
    dialog.setLinkRunner(runner_);
    dialog.exec();
}

} // namespace tarvex
