// The alarm-history service: latches the drive's record of its last twenty
// alarms, reads it as one register block and decodes the codes, and clears
// the record. Free of widgets; the alarm history window is built on it.
#pragma once

#include "drive/alarms/alarm_codes.h"
#include "drive/connection/drive_work.h"

#include <chrono>
#include <cstdint>
#include <functional>

namespace tarvex {

class DriveConnection;

namespace alarms {
// Results of the service operations.
inline constexpr std::uint16_t kResultSuccess = 2;
inline constexpr std::uint16_t kResultFailure = 8; // the message has been shown
inline constexpr std::uint16_t kResultCancelled = 10; // the user cancelled before an exchange; nothing shown
// The drive needs a moment after the latch command before the block holds the record.
inline constexpr std::chrono::milliseconds kLatchSettle{30};
// The history block: 20 registers, of which the first 10 carry the codes.
inline constexpr int kHistoryRegisters = 20;
} // namespace alarms

class CAlarmHistory {
public:
    // Runs one link call; the window passes one that keeps the user
    // interface painting while a silent drive is retried. Empty: called directly.
    using LinkRunner = std::function<void(const std::function<void()> &call)>;

    explicit CAlarmHistory(DriveConnection *drive = nullptr) : m_pDrive(drive) {}
    virtual ~CAlarmHistory() = default;

    void setDriveConnection(DriveConnection *drive) { m_pDrive = drive; }
    DriveConnection *driveConnection() const { return m_pDrive; }
    void setLinkRunner(LinkRunner runner) { m_runner = std::move(runner); }
    // Long work the user watches: each exchange is a step of it, and once
    // it asks to stop no further exchange starts (kResultCancelled).
    void setDriveWork(DriveWork *work) { m_work = work; }

    // Latches and reads the history into `codes` (zeroed first). Shows
    // "Alarm Upload Write Error" or "Alarm Data  Read Error" on failure.
    std::uint16_t UploadHistory(std::uint8_t &status, alarms::AlarmHistory &codes);
    // Clears the drive's record; the caller reports a failure.
    std::uint16_t ClearHistory(std::uint8_t &status);

protected:
    // False, without calling, once the user has asked the work to stop.
    bool runLink(const char *step, const std::function<void()> &call) const;

    DriveConnection *m_pDrive = nullptr; // not owned
    LinkRunner m_runner;
    DriveWork *m_work = nullptr;
};

} // namespace tarvex
