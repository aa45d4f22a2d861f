// The program's one gateway to the drive. It holds the link settings, the
// heartbeat, the busy indicators that features raise around their link
// calls and the switches and modes that steer the worker loops, and it
// connects, disconnects and resets alarms. The jobs around that have parts
// of their own: the library binding, the link watchdog, the status
// monitoring (panes and poll thread) and bringing motion to rest.
//
// The words below are plain atomics: each is written by one thread and read
// by others, and the loops they steer tolerate a stale value for one round.
#pragma once

#include "drive/connection/database_library.h"
#include "drive/connection/feature_window.h"
#include "drive/connection/frame_state.h"
#include "drive/connection/heartbeat_event.h"
#include "drive/connection/link_library.h"
#include "drive/connection/link_causes.h"
#include "drive/connection/library_binding.h"
#include "drive/connection/link_settings.h"
#include "drive/connection/link_watchdog.h"
#include "drive/connection/message_service.h"
#include "drive/connection/motion_rest.h"
#include "drive/connection/motion_tools.h"
#include "drive/connection/run_switch.h"
#include "drive/connection/status_monitoring.h"
#include "drive/connection/status_views.h"
#include "drive/connection/worker_thread.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace tarvex {

inline constexpr const char *kLinkLibraryFile = "./VQ_Communication.so";
inline constexpr const char *kDatabaseLibraryFile = "./VQ_DatabaseManager.so";
// The catalogue edition for the system's language.
const char *catalogueFileFor(bool koreanSystem);
std::string lookedForDetail(const std::string &path);
// "AL - 21 Continuous Overload. <what to do>".
std::string activeAlarmDetail(std::uint16_t code);
// The firmware text of the two version registers as read (wire order): two
// characters each, the low byte first; unprintable bytes show as '?'.
std::string versionTextOf(const std::uint8_t (&first)[2], const std::uint8_t (&second)[2]);
inline constexpr const char *kMotionRefusedForAlarm =
    "The drive has an active alarm: the motor cannot be started. Remove its cause and reset it "
    "(Alarm > Alarm Reset) first.";

// Drive registers of the connection itself.
namespace drive_register {
inline constexpr std::uint16_t kDriveState = 0;
inline constexpr std::uint16_t kPresence = 78;
inline constexpr std::uint16_t kAlarmCode = 60; // the active alarm, 0 for none
inline constexpr std::uint16_t kAlarmCommand = 274;
inline constexpr std::uint16_t kVersionFirst = 4174;
inline constexpr std::uint16_t kVersionSecond = 4176;
inline constexpr std::int32_t kAlarmReset = 1;
} // namespace drive_register

struct DriveTimings {
    // How long the watchdog waits for an exchange while a feature claims the link.
    std::chrono::milliseconds watchdogTimeout{5000};
};

class DriveConnection {
public:
    DriveConnection(FrameState &frame, MessageService &messages, DriveTimings timings = {});
    ~DriveConnection();
    DriveConnection(const DriveConnection &) = delete;
    DriveConnection &operator=(const DriveConnection &) = delete;

    // --- start-up and shutdown ---------------------------------------------
    // Loads the link library, reports a missing library or function once,
    // then calls CommCreate.
    void BindLinkLibrary(const std::string &path = kLinkLibraryFile);
    // Loads the catalogue library, reports as above, calls DB_Create.
    void BindDatabaseLibrary(const std::string &path = kDatabaseLibraryFile);
    // Opens the catalogue; "Tarvex Database file open error!!" when refused.
    void OpenCatalogue(const std::string &path);
    bool catalogueOpen() const { return binding_.catalogueOpen(); }
    // Ends both worker threads (monitoring mode, link polling and the
    // watchdog switched off) and waits for them, calling `tick` every 5 ms.
    void StopWorkers(const std::function<void()> &tick);
    // CommDestroy and DB_Destroy, then unloads the link library and the
    // catalogue library. The workers must have ended.
    void ReleaseLibraries();

    // --- the link --------------------------------------------------------
    const LinkLibrary &link() const { return binding_.link(); }
    const DatabaseLibrary &database() const { return binding_.database(); }
    const std::string &databasePath() const { return binding_.databasePath(); }
    HeartbeatEvent &heartbeat() { return heartbeat_; }

    void storeSettings(const LinkSettings &settings);
    LinkSettings settings() const;
    // The stored node, port and baud rate, for naming where a failure happened.
    LinkPlace place() const;
    std::uint32_t baudRate() const { return baudRate_.load(); }
    // CommInit (or CommInitDevice for a device path) with the stored settings.
    bool InitLink();
    // Whether the link runs the fast exchange profile: chosen in the
    // settings, applied at Connect, and only when the library offers it.
    bool fastExchangeInEffect() const { return fastExchange_.load(); }
    bool isLinkOpen() const { return binding_.link().IsConnect() != 0; }

    // Replaces `port` by the USB serial adapter's device when one is found;
    // shows "Fail" when the system's serial device list cannot be read.
    bool FindUsbSerialPort(PortChoice &port);
    void setSysfsRoot(std::string root) { sysfsRoot_ = std::move(root); }
    const std::string &sysfsRoot() const { return sysfsRoot_; }

    void Connect();
    void Disconnect();
    // Addresses the drive at `node` on the line that is open: the link keeps
    // its port and changes only the address its requests carry and its
    // replies must bear. True when that drive answered the register 0 check;
    // its firmware text is then the version text. Nothing is shown: the
    // caller says what a silent node means where it asked for one.
    bool SwitchToNode(std::uint8_t node);
    // Writes the reset; true when the drive took it. The alarm then left is
    // in activeAlarm().
    bool ResetAlarm();
    std::string ReadVersionText();
    std::string versionText() const;
    void StartMonitoring();
    // What the menu's "Stop" does; the status poll runs the same when a read fails.
    void StopMonitoring();
    void OpenFeatureWindow(FeatureWindow &window);
    // The link timer's presence read of register 78, followed by the active
    // alarm; true when the drive answered.
    bool CheckPresence();
    // Reads the drive's active alarm code (0 for none), kept for activeAlarm();
    // none when the read failed.
    std::optional<std::uint16_t> ReadActiveAlarm();
    // The alarm code last read, -1 before any read or after a disconnect.
    std::int32_t activeAlarm() const { return activeAlarm_.load(); }
    // Asked by the motion tools before they move the motor: true (and the
    // user told why) when the drive reports an active alarm.
    bool refuseMotionForAlarm();

    // --- feature bookkeeping ----------------------------------------------
    void setActiveFeature(std::int32_t code);
    std::int32_t activeFeatureCode() const { return activeFeature.load(); }
    StalledFeatureSwitches &stalledFeatures() { return stall_.switches(); }
    // What the link watchdog does after a stalled exchange: clears every run
    // switch, then tells the listener (the frame, which brings the motion
    // tools to rest on its own thread). The listener is called on the
    // watchdog's thread.
    void resetStalledFeatures();
    void setStallListener(std::function<void()> listener);

    // --- motion tools ------------------------------------------------------
    MotionTools &motionTools() { return motionRest_.tools(); }
    // Brings every motion tool but `except` that holds motion to rest
    // (user-interface thread). False when a stop could not be sent or was
    // not confirmed; the user has then been told what to do at the drive.
    bool bringMotionToRest(const MotionTool *except = nullptr);
    // The same for one tool: its own EXIT and close box.
    bool bringToRest(MotionTool &tool);
    bool anyMotionHeld() const;
    // A motion tool's window closed: the active feature follows another
    // motion tool still open, else none.
    void motionToolClosed(const MotionTool &tool);
    MessageService &messages() { return messages_; }
    FrameState &frame() { return frame_; }

    // --- the status panes, as the poll thread sees them -------------------
    // Each pane registers itself when it is created and withdraws before it goes away.
    void setVariableView(StatusVariableView *view);
    void setInputView(LampView *view);
    void setOutputView(LampView *view);
    // Ends status polling and waits for the poll thread (pane destruction).
    void EndStatusPolling(const std::function<void()> &tick);
    bool isStatusPollRunning() const { return statusPoll_.isRunning(); }
    bool isWatchdogRunning() const { return watchdog_.isRunning(); }

    // Runs `use` with the registered view, if any, so a pane cannot go away
    // in the middle of a call.
    template <class Use>
    void withVariableView(Use &&use)
    {
        panes_.withVariableView(std::forward<Use>(use));
    }
    template <class Use>
    void withLampViews(Use &&use)
    {
        panes_.withLampViews(std::forward<Use>(use));
    }

    // --- the words -------------------------------------------------------
    std::atomic<std::int32_t> monitoringMode{0};  // 2 while cyclic monitoring runs
    std::atomic<std::int32_t> activeFeature{0};   // write through setActiveFeature
    std::atomic<std::int32_t> linkPolling{0};     // 1: the status poll thread stays alive
    std::atomic<std::int32_t> watchdogRunSwitch{0};
    std::atomic<std::int32_t> monitorBusy{0};
    std::atomic<std::int32_t> jogBusy{0};
    std::atomic<std::int32_t> traceBusy{0};
    std::atomic<std::int32_t> generalBusy{0};
    std::atomic<std::int32_t> factoryGroupSwitch{1}; // set for good: the factory group stays hidden
    std::atomic<std::uint8_t> monitoringSwitch{0};

    static constexpr std::int32_t kMonitoringPoll = kMonitoringPollMode;

    // The disconnect steps, shared by the menu, the link timer and the poll thread.
    void runDisconnectSteps();

private:
    void startWatchdog();
    void startStatusPoll();
    void setVersionText(std::string text);

    FrameState &frame_;
    MessageService &messages_;

    LibraryBinding binding_;
    LinkLibrary &link_ = binding_.link();
    std::atomic<std::int32_t> activeAlarm_{-1};
    HeartbeatEvent heartbeat_;

    mutable std::mutex settingsMutex_;
    LinkSettings settings_;
    std::atomic<std::uint32_t> baudRate_{0};
    std::atomic<bool> fastExchange_{false};
    std::string sysfsRoot_ = "/sys";

    mutable std::mutex versionMutex_;
    std::string versionText_;

    StatusPanes panes_;
    StallResponse stall_;
    MotionRest motionRest_;
    StatusPollThread statusPoll_;
    LinkWatchdog watchdog_;
};

} // namespace tarvex
