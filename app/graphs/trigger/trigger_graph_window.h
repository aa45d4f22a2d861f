// The trigger capture as the frame sees it: the "Trigger Monitoring"
// command creates the window when it does not exist and shows it. The
// window goes away with "EXIT" and is created afresh by the next command.
#pragma once

#include "drive/connection/feature_window.h"
#include "drive/capture/trigger/trigger_graph.h"

#include <QPointer>

class QWidget;

namespace tarvex {

class CTriggerGraphDlg;

class CTriggerGraphWindow : public FeatureWindow {
public:
    // `runner` runs the window's own link calls (see CTriggerGraph).
    explicit CTriggerGraphWindow(QWidget *frame, CTriggerGraph::LinkRunner runner = {})
        : frame_(frame), runner_(std::move(runner))
    {
    }
    ~CTriggerGraphWindow() override;

    FeatureKind kind() const override { return FeatureKind::TriggerGraph; }
    void attach(DriveConnection &drive) override { drive_ = &drive; }
    void present() override;
    void endWork() override;
    void leaveDrive() override;

    // The open window, or nullptr.
    CTriggerGraphDlg *window() const;

private:
    QWidget *frame_;
    CTriggerGraph::LinkRunner runner_;
    DriveConnection *drive_ = nullptr;
    QPointer<CTriggerGraphDlg> dialog_;
};

} // namespace tarvex
