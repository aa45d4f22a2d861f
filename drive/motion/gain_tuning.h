// The auto gain tuning service. The drive tunes itself; the PC writes the
// two settings (speed level, then distance level), sends start or stop,
// polls the run status and reads the load inertia. Every operation is one
// link call with the general busy indicator raised.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace tarvex {

class DriveConnection;

struct TuningSettings {
    std::uint16_t speedLevel = 0;
    std::uint16_t distanceLevel = 0;
};

// The outcome of one round of the tuning poll.
struct TuningPoll {
    bool done = false;
    // The status read failed: whether the drive still tunes is not known.
    bool stateUnknown = false;
    std::optional<std::int16_t> inertia; // the load inertia after a finished run
};

class CGainTuning {
public:
    explicit CGainTuning(DriveConnection *drive = nullptr) : m_drive(drive) {}

    void setDriveConnection(DriveConnection *drive) { m_drive = drive; }
    DriveConnection *driveConnection() const { return m_drive; }

    int TuningSettingWrite(const TuningSettings &settings, std::uint8_t &status);
    // 1 starts a run, 4 stops it (and acknowledges a finished one).
    int TuningCommandWrite(std::uint16_t value, std::uint8_t &status);
    // `running` is true while the drive reports a run in progress.
    int TuningStatusRead(bool &running, std::uint8_t &status);
    // A failed read leaves `inertia` unchanged.
    int InertiaRead(std::int16_t &inertia, std::uint8_t &status);
    int TuningSettingRead(TuningSettings &settings, std::uint8_t &status);

    // One round of the poll: reads the status; once the drive reports the
    // run finished, acknowledges it with the stop command, tells the user
    // "Gain Auto Tuning Stop" (waiting until that is dismissed) and reads the
    // inertia. A failure ends the poll without a result. When
    // `stillRunning` says the window has stopped the run meanwhile, the end
    // the drive reports is that stop's: the poll ends without acknowledging.
    TuningPoll PollTuningOnce(const std::function<bool()> &stillRunning = {});

    // The message of a stopped or finished run.
    void showTuningStopped();

protected:
    DriveConnection *m_drive = nullptr;
};

} // namespace tarvex
