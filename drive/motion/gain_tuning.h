// The auto gain tuning service. The drive tunes itself; the PC writes the
// two settings (speed level, then distance level), sends start or stop,
// polls the run status and reads the load inertia. Every operation is one
// link call with the general busy indicator raised.
#pragma once

#include "drive/motion/operation_registers.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace tarvex {

class DriveConnection;

struct TuningSettings {
    std::uint16_t speedLevel = 0;
    std::uint16_t distanceLevel = 0;
};

// What a tuning run changes in the drive: the first gain set (in register
// order) and the load inertia.
struct TunedValues {
    std::array<std::uint16_t, operation_register::kTunedGainCount> gains{};
    std::int16_t inertia = 0;

    friend bool operator==(const TunedValues &, const TunedValues &) = default;
};

// The values before a run and what the drive held when it ended. The run
// awaits the user's choice (keep or revert) while `open`. `before` is
// missing when it could not be read: such a run cannot be reverted.
struct TuningComparison {
    std::optional<TunedValues> before;
    std::optional<TunedValues> after;
    bool open = false;
    bool revertible() const { return open && before.has_value(); }
};

// The outcome of one round of the tuning poll.
struct TuningPoll {
    bool done = false;
    // The status read failed: whether the drive still tunes is not known.
    bool stateUnknown = false;
    std::optional<std::int16_t> inertia; // the load inertia after a finished run
    std::optional<TunedValues> after;    // everything the finished run left
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
    // The first gain set and the inertia; a failure leaves `values` unchanged.
    int TunedValuesRead(TunedValues &values, std::uint8_t &status);
    // The gains first, then the inertia; stops at the first refusal.
    int TunedValuesWrite(const TunedValues &values, std::uint8_t &status);

    // Reversible tuning. The comparison is the user-interface thread's: the
    // poll thread hands its reading over through TuningPoll.
    // Before a start: what the run may change, given the inertia just read
    // (none when that read failed). False when the values are not known.
    bool recordValuesBeforeRun(std::optional<std::int16_t> inertia);
    // When a run has ended (finished, stopped or failed), with the drive at
    // rest: what it holds now, read here unless the poll brought it. The
    // run then awaits keep or revert.
    bool recordValuesAfterRun(const std::optional<TunedValues> &read = std::nullopt);
    // The result stays in the drive; nothing is left to revert.
    void keepTuning() { m_comparison.open = false; }
    // Forgets the last run (a window opened anew shows none).
    void forgetTuning() { m_comparison = {}; }
    // Writes the values before the run back and reads them again: true only
    // when the drive holds them, which closes the choice. `after` then shows
    // what the drive holds, whichever the outcome.
    bool revertTuning();
    const TuningComparison &tuningComparison() const { return m_comparison; }

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

private:
    bool readValuesNow();

    TuningComparison m_comparison;
};

} // namespace tarvex
