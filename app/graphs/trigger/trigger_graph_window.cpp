#include "trigger_graph_window.h"

#include "trigger_graph_dlg.h"

namespace tarvex {

CTriggerGraphWindow::~CTriggerGraphWindow() { delete dialog_.data(); }

CTriggerGraphDlg *CTriggerGraphWindow::window() const { return dialog_.data(); }

void CTriggerGraphWindow::present()
{
    if (!drive_)
        return;
    if (!dialog_) {
        dialog_ = new CTriggerGraphDlg(drive_, frame_);
        dialog_->setLinkRunner(runner_);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void CTriggerGraphWindow::endWork()
{
    if (dialog_)
        dialog_->endWorker();
}

} // namespace tarvex
