#include "app/graphs/trace/trace_graph_window.h"

#include "app/graphs/trace/trace_graph_dlg.h"
#include "app/ui/settings/window_size_keeper.h"

#include <QPushButton>

namespace tarvex {

CTraceGraphWindow::~CTraceGraphWindow() { delete dialog_.data(); }

TraceGraphDlg *CTraceGraphWindow::window() const { return dialog_.data(); }

void CTraceGraphWindow::present()
{
    if (!drive_)
        return;
    const QString file = QString::fromStdString(takeFileToOpen());
    if (!dialog_) {
        dialog_ = new TraceGraphDlg(drive_, frame_);
        keepWindowSize(*dialog_);
        dialog_->setLinkRunner(runner_);
        dialog_->show();
    } else if (file.isEmpty()) {
        return;
    }
    // As the window's Open: not while a capture runs.
    if (!file.isEmpty() && dialog_->canOpenFile()) {
        dialog_->raise();
        dialog_->activateWindow();
        dialog_->OpenFrom(file);
    }
}

void CTraceGraphWindow::endWork()
{
    if (dialog_)
        dialog_->endWorker();
}

void CTraceGraphWindow::leaveDrive()
{
    if (dialog_)
        dialog_->OnExit();
}

} // namespace tarvex
