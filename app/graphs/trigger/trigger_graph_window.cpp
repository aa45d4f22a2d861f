#include "app/graphs/trigger/trigger_graph_window.h"

#include "app/graphs/trigger/trigger_graph_dlg.h"
#include "app/ui/settings/window_size_keeper.h"

#include <QPushButton>

namespace tarvex {

CTriggerGraphWindow::~CTriggerGraphWindow() { delete dialog_.data(); }

CTriggerGraphDlg *CTriggerGraphWindow::window() const { return dialog_.data(); }

void CTriggerGraphWindow::present()
{
    if (!drive_)
        return;
    if (!dialog_) {
        dialog_ = new CTriggerGraphDlg(drive_, frame_);
        keepWindowSize(*dialog_);
        dialog_->setLinkRunner(runner_);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
    // As the window's Open: not while a capture runs.
    const QString file = QString::fromStdString(takeFileToOpen());
    if (!file.isEmpty() && dialog_->canOpenFile())
        dialog_->OpenFrom(file);
}

void CTriggerGraphWindow::endWork()
{
    if (dialog_)
        dialog_->endWorker();
}

void CTriggerGraphWindow::leaveDrive()
{
    if (dialog_)
        dialog_->OnExit();
}

} // namespace tarvex
