// The alarm history as the frame sees it: a feature window that, each time
// the "Alarm History" command is chosen, builds the dialog afresh (an empty
// grid, both buttons enabled) and runs it modally.
#pragma once

#include "drive/alarms/alarm_history.h"
#include "drive/connection/feature_window.h"

class QWidget;

namespace tarvex {

class CAlarmHistoryWindow : public FeatureWindow {
public:
    // `runner` runs each link call of the window (see CAlarmHistory).
    explicit CAlarmHistoryWindow(QWidget *frame, CAlarmHistory::LinkRunner runner = {})
        : frame_(frame), runner_(std::move(runner))
    {
    }

    FeatureKind kind() const override { return FeatureKind::AlarmHistory; }
    void attach(DriveConnection &drive) override { drive_ = &drive; }
    void present() override;

private:
    QWidget *frame_;
    CAlarmHistory::LinkRunner runner_;
    DriveConnection *drive_ = nullptr;
};

} // namespace tarvex
