// "Gain Auto Tuning": the tuning's travel distance and speed levels, Start
// and Stop of the drive's automatic gain tuning, and the load inertia
// before and after. The tuning poll thread asks the drive every 100 ms
// whether the run has finished, acknowledges the end and reads the result.
//
// The window runs modally and may be closed in the middle of a run: the
// drive goes on tuning and the poll thread goes on serving the run (its
// messages still come), but what it hands to the window reaches the
// controls only while the window is open; a reopened window shows the run
// still in progress. Closing writes the settings read at opening back.
//
// When a run ends (finished, stopped or failed with the drive at rest) the
// window sets the first gain set and the inertia before the run beside
// what the drive holds now; Keep leaves the result, Revert writes the old
// values back and reads them again. The tuning service keeps the values.
#pragma once

#include "drive/connection/feature_window.h"
#include "drive/motion/gain_tuning.h"
#include "drive/connection/motion_tools.h"
#include "drive/connection/run_switch.h"
#include "app/operation/window_event_hook.h"
#include "drive/connection/worker_thread.h"

#include <QDialog>

#include <array>
#include <atomic>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tarvex {

class CMotorAnimation;

class CAutotuningDlg : public QDialog, public CGainTuning, public FeatureWindow, public MotionTool {
    Q_OBJECT
public:
    static constexpr int kDistanceMin = 1;
    static constexpr int kDistanceMax = 5;
    static constexpr int kSpeedMin = 1; // what the speed box takes
    static constexpr int kSpeedMax = 10;
    static constexpr int kSpeedSliderMin = 8;

    explicit CAutotuningDlg(QWidget *parent = nullptr);
    ~CAutotuningDlg() override;

    // FeatureWindow: runs the window modally.
    FeatureKind kind() const override { return FeatureKind::AutoTuning; }
    void attach(DriveConnection &drive) override;
    void present() override;
    void endWork() override { endWorker(); }

    // MotionTool: a run started here and not seen ended.
    bool motionWindowOpen() const override { return m_windowOpen; }
    bool holdsMotion() const override { return m_running.isOn() || m_buttonOffersStop; }
    bool bringToRest() override;
    std::int32_t motionFeatureCode() const override;

    // Prepares the window for a showing (present() runs it before exec()).
    void OnInitDialog();
    void OnStartStop();
    // The close box: the settings read at opening go back to the drive.
    void reject() override;

    int distanceLevel() const { return m_distanceLevel; }
    int speedLevel() const { return m_speedLevel; }
    bool running() const { return m_running.isOn(); }
    bool isTuningPollRunning() const { return m_tuningPoll.isRunning(); }
    bool isWindowOpen() const { return m_windowOpen; }

    QSlider &distanceSlider() const { return *m_distanceSlider; }
    QLineEdit &distanceEdit() const { return *m_distanceEdit; }
    QSlider &speedSlider() const { return *m_speedSlider; }
    QLineEdit &speedEdit() const { return *m_speedEdit; }
    QPushButton &startButton() const { return *m_start; }
    QLabel &statusLine() const { return *m_status; }
    QLineEdit &beforeBox() const { return *m_before; }
    QLineEdit &afterBox() const { return *m_after; }
    QPushButton &keepButton() const { return *m_keep; }
    QPushButton &revertButton() const { return *m_revert; }
    // Row 0..3 the gains in register order, row 4 the inertia; column 0
    // before the run, 1 after it.
    static constexpr int kComparedRows = operation_register::kTunedGainCount + 1;
    QLabel &comparisonCell(int row, int column) const { return *m_compared[row][column]; }
    CMotorAnimation &animation() const { return *m_animation; }

protected:
    void showEvent(QShowEvent *event) override;
    void accept() override { reject(); }

private:
    void startRun();
    void stopRun();
    bool sendStop();
    void showIdle();
    void showRunning();
    void refreshLevels();
    void takeTypedLevel(QLineEdit &edit, QSlider &slider, int &level, int min, int max);
    void startTuningPoll();
    void tuningPollLoop();
    void endWorker();
    void runEnded(const std::optional<TunedValues> &after = std::nullopt);
    void showComparison();
    void keepResult();
    void revertResult();

    QSlider *m_distanceSlider = nullptr;
    QLineEdit *m_distanceEdit = nullptr;
    QSlider *m_speedSlider = nullptr;
    QLineEdit *m_speedEdit = nullptr;
    CMotorAnimation *m_animation = nullptr;
    QPushButton *m_start = nullptr;
    QLabel *m_status = nullptr;
    QLineEdit *m_before = nullptr;
    QLineEdit *m_after = nullptr;
    QPushButton *m_keep = nullptr;
    QPushButton *m_revert = nullptr;
    std::array<std::array<QLabel *, 2>, kComparedRows> m_compared{};

    int m_distanceLevel = kDistanceMin;
    int m_speedLevel = kSpeedSliderMin;
    std::int16_t m_inertiaBefore = 0;
    // What the drive held at opening; none when it could not be read, and
    // then nothing is written back.
    std::optional<TuningSettings> m_savedSettings;

    // The running state steers the poll thread; the link watchdog clears
    // it after a stalled exchange.
    RunSwitch m_running;
    StalledFeatureRegistration m_watchdogEntry{m_running};
    MotionToolRegistration m_motionEntry{*this};
    // A stop is under way: the poll leaves the drive alone meanwhile, so
    // the end that the stop causes is not taken for a finished run.
    std::atomic<bool> m_stopping{false};
    bool m_buttonOffersStop = false;
    bool m_windowOpen = false;
    bool m_tearingDown = false;
    std::atomic<bool> m_shutDown{false};

    WindowEventHook m_windowHook;
    WorkerHandle m_tuningPoll;
};

} // namespace tarvex
