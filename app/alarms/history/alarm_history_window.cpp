#include "alarm_history_window.h"

#include "alarm_history_dlg.h"
#include "window_size_keeper.h"

namespace tarvex {

void CAlarmHistoryWindow::present()
{
    CAlarmHistoryDlg dialog(drive_, frame_);
    keepWindowSize(dialog);
    dialog.setLinkRunner(runner_);
    dialog.exec();
}

} // namespace tarvex
