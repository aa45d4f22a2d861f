// "Manual JOG Operation": servo on and off, the jog speed, and Forward and
// Reverse that turn the motor while the left button is held on them (or,
// with the lock engaged, until STOP). The current speed is shown while the
// servo is on, read by the speed display thread every 10 ms.
//
// A jog must never outlast the user's hold by accident. The window watches
// its events before its widgets do: a press on a jog button sends the jog
// and is consumed (the button never takes the mouse), and the hold ends -
// with the stop command unless the lock is engaged - at the release
// anywhere, and equally when the release can no longer arrive: the window
// loses the focus, is blocked by a message box, is hidden, or the mouse
// reports the left button up without a release.
//
// The window is created once; EXIT hides it, and each opening starts afresh
// from the drive's values.
#pragma once

#include "drive/connection/feature_window.h"
#include "drive/motion/jog_manual.h"
#include "drive/connection/motion_tools.h"
#include "drive/connection/run_switch.h"
#include "app/operation/window_event_hook.h"
#include "drive/connection/worker_thread.h"
#include "drive/motion/drive_condition.h"

#include <QDialog>

#include <atomic>
#include <cstdint>

class CColorButton;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace tarvex {

class CManualJogDlg : public QDialog, public CJogManual, public FeatureWindow, public MotionTool {
    Q_OBJECT
public:
    static constexpr int kSpeedSliderMax = 6000;

    explicit CManualJogDlg(QWidget *parent = nullptr);
    ~CManualJogDlg() override;

    // FeatureWindow
    FeatureKind kind() const override { return FeatureKind::ManualJog; }
    void attach(DriveConnection &drive) override;
    void present() override;
    void endWork() override { endWorker(); }
    void leaveDrive() override { OnExit(); }

    // MotionTool: a jog that went out and the servo switched on here.
    bool motionWindowOpen() const override { return isVisible(); }
    bool holdsMotion() const override;
    bool bringToRest() override;
    std::int32_t motionFeatureCode() const override;

    // The window's own steps, as its controls run them.
    void OnInitDialog();
    void OnSpeedSet();
    void OnServo();
    void OnLock();
    void OnStop();
    void OnExit();

    bool servoOn() const { return m_servoOn.isOn(); }
    bool locked() const { return m_lock != 0; }
    bool jogHeld() const { return m_heldJog != 0; }
    bool isSpeedDisplayRunning() const { return m_speedDisplay.isRunning(); }
    bool isFollowingDrive() const { return m_follower.isRunning(); }

    QSlider &speedSlider() const { return *m_speedSlider; }
    QLineEdit &speedEdit() const { return *m_speedEdit; }
    QLineEdit &currentSpeedBox() const { return *m_currentSpeed; }
    QPushButton &speedSetButton() const { return *m_speedSet; }
    QPushButton &servoButton() const { return *m_servo; }
    CColorButton &forwardButton() const { return *m_forward; }
    CColorButton &reverseButton() const { return *m_reverse; }
    QPushButton &lockButton() const { return *m_lockButton; }
    QPushButton &stopButton() const { return *m_stop; }
    QPushButton &exitButton() const { return *m_exit; }
    // What the drive reports of its servo and alarm, and why the last press
    // did nothing.
    QLabel &driveStatusLine() const { return *m_driveStatus; }

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override {} // only EXIT closes the window

private:
    bool filterWindowEvent(QEvent &event);
    CColorButton *jogButtonAt(const QPointF &windowPosition) const;
    void pressJog(CColorButton &button);
    void endHold(bool releasedOverJogButton);
    void sendJogStop();
    void paintJogButtons(const CColorButton *pressed);
    bool servoBelievedOn() const;
    void restoreTemplate();
    void showServoOff();

    void startSpeedDisplay();
    void speedDisplayLoop();
    void showCurrentSpeed(std::uint16_t raw);
    void endWorker();

    // Following the drive: a worker reads its servo state and alarm while
    // the window is open; reads only, nothing is ever written from here.
    void startFollowing();
    void followLoop();
    void followed(const DriveCondition &condition, std::uint64_t generation);
    DriveCondition readCondition();
    void showCondition(const DriveCondition &condition, const std::string &refusal = {});
    // The drive has no servo on (an alarm tripped it, or it was switched
    // off at the drive): the window stops offering what it no longer has.
    void adoptServoOff();
    void commandSent() { ++m_commandGeneration; }

    QSlider *m_speedSlider = nullptr;
    QLineEdit *m_speedEdit = nullptr;
    QPushButton *m_speedSet = nullptr;
    QPushButton *m_servo = nullptr;
    QLineEdit *m_currentSpeed = nullptr;
    CColorButton *m_forward = nullptr;
    CColorButton *m_reverse = nullptr;
    QPushButton *m_lockButton = nullptr;
    QPushButton *m_stop = nullptr;
    QPushButton *m_exit = nullptr;
    QLabel *m_driveStatus = nullptr;

    // The servo-on state steers the speed display thread; the link watchdog
    // clears it after a stalled exchange.
    RunSwitch m_servoOn;
    StalledFeatureRegistration m_watchdogEntry{m_servoOn};
    MotionToolRegistration m_motionEntry{*this};
    std::uint8_t m_lock = 0;
    // The Servo button offers "Servo OFF": the servo was switched on here
    // and not switched off since (the watchdog's reset leaves it so).
    bool m_servoButtonOffersOff = false;
    std::uint16_t m_heldJog = 0;  // the jog command of the button held, 0 for none
    bool m_jogRunning = false;    // a jog command went out and no stop since
    bool m_pressRefused = false;  // the last press on a jog button sent nothing
    bool m_tearingDown = false;
    // Set when the program shuts down: the worker ends before the link
    // library goes away.
    std::atomic<bool> m_shutDown{false};
    std::atomic<bool> m_displayFailed{false};

    // Counts the servo and jog commands: a condition read that began before
    // the latest of them says nothing about what the drive does now.
    std::atomic<std::uint64_t> m_commandGeneration{0};
    std::atomic<bool> m_following{false};

    WindowEventHook m_windowHook;
    WorkerHandle m_speedDisplay;
    WorkerHandle m_follower;
};

} // namespace tarvex
