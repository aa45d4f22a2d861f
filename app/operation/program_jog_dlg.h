// "Program_JOG": the drive's four-step jog program, Apply, Start/Stop of
// the drive's program jog and the current speed while it runs, read by the
// speed poll thread every 10 ms; a failed read there stops the run.
//
// The window is created once; EXIT hides it (stopping a run first), and
// each opening reads the program afresh.
#pragma once

#include "drive/connection/feature_window.h"
#include "drive/connection/motion_tools.h"
#include "drive/motion/program_jog.h"
#include "drive/connection/run_switch.h"
#include "app/operation/window_event_hook.h"
#include "drive/connection/worker_thread.h"

#include <QDialog>

#include <array>
#include <atomic>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex {

class CMotorAnimation;

class CProgramJogDlg : public QDialog, public CpJOG, public FeatureWindow, public MotionTool {
    Q_OBJECT
public:
    explicit CProgramJogDlg(QWidget *parent = nullptr);
    ~CProgramJogDlg() override;

    // FeatureWindow
    FeatureKind kind() const override { return FeatureKind::ProgramJog; }
    void attach(DriveConnection &drive) override;
    void present() override;
    void endWork() override { endWorker(); }
    void leaveDrive() override { OnExit(); }

    // MotionTool: a run started here and not seen stopped.
    bool motionWindowOpen() const override { return isVisible(); }
    bool holdsMotion() const override { return m_running.isOn() || m_buttonOffersStop; }
    bool bringToRest() override;
    std::int32_t motionFeatureCode() const override;

    void OnInitDialog();
    void OnApply();
    void OnStartStop();
    void OnExit();

    bool running() const { return m_running.isOn(); }
    bool isSpeedPollRunning() const { return m_speedPoll.isRunning(); }

    // Speed1..Speed4 are boxes 0..3, Time1..Time4 boxes 4..7.
    QLineEdit &programEdit(int index) const { return *m_programEdits.at(static_cast<std::size_t>(index)); }
    QLineEdit &currentSpeedBox() const { return *m_currentSpeed; }
    QPushButton &applyButton() const { return *m_apply; }
    QPushButton &startButton() const { return *m_start; }
    QPushButton &exitButton() const { return *m_exit; }
    // Why the last run ended when the drive ended it.
    QLabel &runStatusLine() const { return *m_runStatus; }
    CMotorAnimation &animation() const { return *m_animation; }

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override {} // only EXIT closes the window

private:
    static constexpr std::size_t kProgramSpeeds = 4;
    bool speedsWithinMaximum(const JogProgram &values);
    bool confirmSharedRegister(std::int16_t time4);
    void startRun();
    void showIdle();
    void restoreTemplate();
    void startSpeedPoll();
    void speedPollLoop();
    bool endRunOnAlarm();
    void endWorker();

    std::array<QLineEdit *, operation_register::kProgramValues> m_programEdits{};
    QPushButton *m_apply = nullptr;
    CMotorAnimation *m_animation = nullptr;
    QLineEdit *m_currentSpeed = nullptr;
    QPushButton *m_start = nullptr;
    QPushButton *m_exit = nullptr;
    QLabel *m_runStatus = nullptr;

    // The values the boxes were last filled from or taken into.
    JogProgram m_editValues{};
    // The running state steers the speed poll; the link watchdog clears it
    // after a stalled exchange.
    RunSwitch m_running;
    StalledFeatureRegistration m_watchdogEntry{m_running};
    MotionToolRegistration m_motionEntry{*this};
    // The button offers "Stop": a run was started here and not stopped
    // since, as far as the user can tell (a watchdog reset leaves it so).
    bool m_buttonOffersStop = false;
    bool m_tearingDown = false;
    std::atomic<bool> m_shutDown{false};

    WindowEventHook m_windowHook;
    WorkerHandle m_speedPoll;
};

} // namespace tarvex
