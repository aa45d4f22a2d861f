// The data trace as the frame sees it: the "Data Trace" command creates the
// window and shows it when it does not exist, and does nothing while it
// exists. The window goes away with "EXIT".
#pragma once

#include "drive/connection/feature_window.h"
#include "drive/capture/trace/trace_graph.h"

#include <QPointer>

class QWidget;

namespace tarvex {

class TraceGraphDlg;

class CTraceGraphWindow : public FeatureWindow {
public:
    // `runner` runs the window's own link calls (see CTraceGraph).
    explicit CTraceGraphWindow(QWidget *frame, CTraceGraph::LinkRunner runner = {})
        : frame_(frame), runner_(std::move(runner))
    {
    }
    ~CTraceGraphWindow() override;

    FeatureKind kind() const override { return FeatureKind::TraceGraph; }
    void attach(DriveConnection &drive) override { drive_ = &drive; }
    void present() override;
    void endWork() override;
    void leaveDrive() override;

    // The open window, or nullptr.
    TraceGraphDlg *window() const;

private:
    QWidget *frame_;
    CTraceGraph::LinkRunner runner_;
    DriveConnection *drive_ = nullptr;
    QPointer<TraceGraphDlg> dialog_;
};

} // namespace tarvex
