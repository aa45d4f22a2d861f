// The alarm graph as the frame sees it: a feature window that, each time
// the "Alarm Trace" command is chosen, builds the dialog afresh and runs it
// modally.
#pragma once

#include "drive/capture/alarm/alarm_graph.h"
#include "drive/connection/feature_window.h"

class QWidget;

namespace tarvex {

class CAlarmGraphWindow : public FeatureWindow {
public:
    // `runner` runs the window's own link calls (see CAlarmGraph).
    explicit CAlarmGraphWindow(QWidget *frame, CAlarmGraph::LinkRunner runner = {})
        : frame_(frame), runner_(std::move(runner))
    {
    }

    FeatureKind kind() const override { return FeatureKind::AlarmGraph; }
    void attach(DriveConnection &drive) override { drive_ = &drive; }
    void present() override;

private:
    QWidget *frame_;
    CAlarmGraph::LinkRunner runner_;
    DriveConnection *drive_ = nullptr;
};

} // namespace tarvex
