#include "trace_graph_window.h"

#include "trace_graph_dlg.h"

namespace tarvex {

CTraceGraphWindow::~CTraceGraphWindow() { delete dialog_.data(); }

TraceGraphDlg *CTraceGraphWindow::window() const { return dialog_.data(); }

void CTraceGraphWindow::present()
{
    if (dialog_ || !drive_)
        return;
    dialog_ = new TraceGraphDlg(drive_, frame_);
    dialog_->setLinkRunner(runner_);
    dialog_->show();
}

void CTraceGraphWindow::endWork()
{
    if (dialog_)
        dialog_->endWorker();
}

} // namespace tarvex
