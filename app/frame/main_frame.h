// The main frame: menu, toolbar, status bar, the four docking panes around
// an empty client area, the command table with its enabling rules, the
// three-second link timer, and the orderly start-up and shutdown of the
// drive connection and both libraries.
#pragma once

#include "drive/connection/commands.h"
#include "drive/connection/drive_connection.h"
#include "app/frame/feature_windows.h"
#include "drive/connection/frame_state.h"
#include "drive/connection/worker_thread.h"

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolButton;
class QToolBar;

namespace tarvex {

class CAboutTarvex;
class CCommSetDlg;
class CStaticPane;
class CStaticPane2;
class CStaticPane3;
class CStaticPane4;
class CTrendPane;
class CLinkStatisticsPane;
class StatusRecording;
class QtMessageService;
class RecentFilesMenu;

struct FrameOptions {
    MessageService *messages = nullptr;     // null: the frame's own message boxes
    std::string sysfsRoot = "/sys";         // where the USB serial adapter is looked for
    std::optional<bool> koreanSystem;       // null: from the system's language
    // Whether a character can be drawn; null: with the application's font
    // and the fallbacks the text engine takes.
    std::function<bool(char32_t)> canDraw;
    int linkTimerMs = 3000;
    DriveTimings timings;
    std::optional<FeatureWindowFactories> features; // null: the windows of this build
    bool applyStoredLook = true;
    // Where the libraries, DB/, the manual and the upgrader are; empty for
    // the folder of the running program.
    std::string programDirectory;
    // The settings file; empty for the user's own settings.
    QString settingsFile;
    bool restoreLayout = true;
    // Starts another program of the suite (the upgrader) on its own; false
    // when it could not be started. Null: the system starts it.
    std::function<bool(const QString &program, const QStringList &arguments, const QString &directory)>
        startProgram;
};

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kResourceId = 319;
    static constexpr int kWidth = 1350;
    static constexpr int kHeight = 980;
    static constexpr int kLinkTimerId = 1;
    // How long the status bar says that a download left the parameters as they were.
    static constexpr int kUpgradeNoteMs = 15000;

    explicit CMainFrame(FrameOptions options = {});
    ~CMainFrame() override;

    // Runs a command as its menu item does (the handlers do not check the
    // enabling rule again; a disabled item cannot be chosen).
    void OnCommand(Command command);
    QAction *action(Command command) const;
    bool isCommandEnabled(Command command) const;
    // Re-evaluates every enabling rule; runs after each state change.
    void refreshCommands();

    // What the link timer does every three seconds.
    void linkTimerTick();
    QTimer &linkTimer() { return linkTimer_; }
    bool isLinkAnimating() const { return linkAnimating_ != 0; }

    void chooseLook(int id);
    // Opens a recent file in the window of its command, as that window's Open.
    void openRecentFile(Command command, const QString &path);
    RecentFilesMenu &recentFiles() { return *recentFiles_; }
    // File > Snapshots...: the parameter snapshots; the one chosen for a
    // restore opens in the parameter window, as a parameter file.
    void OnSnapshots();
    QAction *snapshotsAction() const { return snapshotsAction_; }
    // Connects with the given settings as Communication Setting and Connect
    // would (the device as given: no adapter search), and with `monitor`
    // ticks every status row and starts cyclic monitoring.
    void connectAtStart(const LinkSettings &settings, bool monitor);
    // Puts the panes, toolbar and window back where a first start has them.
    void resetLayout();
    // The file `name` beside the program.
    QString besideProgram(const QString &name) const;
    int currentLook() const { return look_; }

    FrameState &state() { return state_; }
    // The drive connection and the panes exist until the frame has shut down.
    DriveConnection &drive() { return *drive_; }
    CCommSetDlg &commSetDialog() { return *commSetDlg_; }
    CAboutTarvex &aboutBox() { return *aboutBox_; }
    CStaticPane &statusPane() { return *pane1_; }
    CStaticPane2 &inputPane() { return *pane2_; }
    CStaticPane3 &outputPane() { return *pane3_; }
    CStaticPane4 &communicationPane() { return *pane4_; }
    CTrendPane &trendPane() { return *trendPane_; }
    CLinkStatisticsPane &linkStatisticsPane() { return *linkStatisticsPane_; }
    StatusRecording &statusRecording() { return *recording_; }
    QToolBar &toolBar() { return *toolBar_; }
    MessageService &messages() { return *messages_; }
    // True while a long link call runs with the window kept alive.
    bool isBusy() const { return busy_ > 0; }

    // Stops the threads and releases everything in order; the frame's
    // close does it, and so does its destruction when it was never closed.
    void shutdown();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void openCatalogue(bool koreanSystem);
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void loadUserImages();
    void createPanes();
    void listPanesInViewMenu();
    void restoreLayout();
    void resizeToFitScreen();
    void storeLayout();
    void destroyPanes();
    void applyPaneSizes();
    // Why this installation cannot run the command; empty when it can.
    std::string missingFor(Command command) const;
    void updateStatusIndicators();
    void updateAnimation();
    void startPresenceCheck();
    void presenceChecked(bool answered, int connection);
    void runLong(const std::function<void()> &call);
    void openFeature(FeatureKind kind);
    void bringMotionToRestAfterStall();
    // A link lost under a motion tool: the user hears that the motor may
    // still move. The program's own disconnects mark themselves as seen.
    void noticeLinkLoss();
    void disconnectSeen() { lastConnection_ = state_.connectionState(); }
    void stateChangedSomewhere();

    void onNew();
    void onCommunicationSetting();
    void onConnect();
    void onDisconnect();
    // Another drive was chosen while connected (see CCommSetDlg::setLeaveDrive).
    bool leaveDrive(bool keepLine);
    void onStart();
    void onStop();
    void onAlarmReset();
    void showActiveAlarm();
    void onUserManual();
    void onAbout();
    void onOsUpgrade();
    // After a connection: the comparison with the snapshot OS Upgrade kept.
    void offerRestoreAfterUpgrade();

    FrameOptions options_;
    FrameState state_;
    std::unique_ptr<QtMessageService> ownMessages_;
    MessageService *messages_ = nullptr;
    std::unique_ptr<DriveConnection> drive_;
    FeatureWindows features_;
    CCommSetDlg *commSetDlg_ = nullptr;
    CAboutTarvex *aboutBox_ = nullptr;
    CStaticPane *pane1_ = nullptr;
    CStaticPane2 *pane2_ = nullptr;
    CStaticPane3 *pane3_ = nullptr;
    CStaticPane4 *pane4_ = nullptr;
    CTrendPane *trendPane_ = nullptr;
    CLinkStatisticsPane *linkStatisticsPane_ = nullptr;
    StatusRecording *recording_ = nullptr;

    std::map<Command, QAction *> actions_;
    QActionGroup *looks_ = nullptr;
    RecentFilesMenu *recentFiles_ = nullptr;
    QAction *snapshotsAction_ = nullptr;
    QMenu *viewMenu_ = nullptr;
    QAction *paneListEnd_ = nullptr;
    std::vector<QAction *> paneToggles_;
    QToolBar *toolBar_ = nullptr;
    QLabel *linkIndicator_ = nullptr;
    QLabel *portIndicator_ = nullptr;
    QLabel *monitorIndicator_ = nullptr;
    QLabel *alarmIndicator_ = nullptr;
    QLabel *recordingIndicator_ = nullptr;
    QToolButton *alarmResetButton_ = nullptr;
    int look_ = 214;

    QTimer linkTimer_;
    std::int32_t linkAnimating_ = 0;
    WorkerHandle presenceCheck_;
    int connectionNumber_ = 0; // counts the connections made, to tell stale presence reads
    int busy_ = 0;
    bool closePending_ = false;
    bool shutDown_ = false;
    std::int32_t lastConnection_ = 0;
    bool panesSized_ = false;
    std::atomic<bool> refreshQueued_{false};
};

} // namespace tarvex
