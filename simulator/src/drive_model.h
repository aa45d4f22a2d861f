// The drive behind its registers: register memory with the catalogue's
// factory defaults, the parameter lock, the motor model with jog, program
// jog and tuning, alarms with their history, and the three recorders
// (trace, trigger capture, alarm recording). Time advances lazily: whoever
// talks to the model first brings it to "now" in 0.2 ms control steps, so
// nothing runs while nobody asks. Not thread-safe; the virtual drive guards it.
#pragma once

#include "simulator/src/alarm_history.h"
#include "simulator/src/alarm_recorder.h"
#include "simulator/src/catalogue_defaults.h"
#include "simulator/src/drive_identity.h"
#include "simulator/src/motor_model.h"
#include "simulator/src/register_memory.h"
#include "simulator/src/trace_recorder.h"
#include "simulator/src/trigger_capture.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace vq::sim {

// Outcome of a register access, as the Modbus exception it maps to.
enum class Access : std::uint8_t {
    kOk = 0,
    kBadValue = 3,       // a command value the drive does not know
    kUnknownAddress = 2, // an address the drive does not have
    kLocked = 6,         // a parameter write while the parameters are locked
};

class DriveModel {
public:
    // The longest stretch that is caught up sample by sample; anything before
    // it is skipped with settled motion (recorders count it as lost).
    static constexpr long long kMaxCatchUpSteps = 10 * kStepsPerSecond;

    DriveModel(const DriveIdentity &identity, const CatalogueDefaults &catalogue);

    // Brings the model to control step `step` (0.2 ms units since start).
    void advanceTo(long long step);
    long long now() const { return now_; }

    Access read(std::uint16_t start, int count, std::uint16_t *out);
    Access readScattered(const std::uint16_t *addresses, int count, std::uint16_t *out);
    Access write(std::uint16_t start, const std::uint16_t *values, int count);

    TraceRecorder &trace() { return trace_; }
    const TraceRecorder &trace() const { return trace_; }

    // Control of the drive's surroundings.
    void raiseAlarm(std::uint8_t code);
    void scheduleAlarm(std::uint8_t code, long long atStep);
    void resetAlarm() { activeAlarm_ = 0; }
    void setResonance(bool on, double hz) { motor_.setResonance(on, hz); }
    void setInputs(std::uint16_t bits);
    void setIdentity(const DriveIdentity &identity);
    void setTuningDurationSteps(long long steps) { tuningDurationSteps_ = std::max(1LL, steps); }
    void setMeasuredInertia(std::uint16_t value) { measuredInertia_ = value; }
    // What the controller does at a reset: the servo drops, motion ends.
    void controllerReset() { motor_.trip(); }

    // Observation.
    std::uint16_t peek(std::uint16_t address);
    bool isKnown(std::uint16_t address) const { return memory_.isKnown(address); }
    bool isParameter(std::uint16_t address) const { return parameters_.count(address) != 0; }
    bool locked() const { return locked_; }
    std::uint8_t activeAlarm() const { return activeAlarm_; }
    std::vector<std::uint8_t> alarmHistory() const { return history_.codes(); }
    const MotorModel &motor() const { return motor_; }
    const DriveIdentity &identity() const { return identity_; }
    std::string statusText() const;

private:
    void loadFixedRegisters();
    void loadCatalogue(const CatalogueDefaults &catalogue);
    Access validateWrite(std::uint16_t address, std::uint16_t value) const;
    void applyWrite(std::uint16_t address, std::uint16_t value);
    void refreshLiveRegisters();
    MotorSettings settingsFromRegisters() const;
    std::uint16_t outputWord() const;
    void stepOnce();
    void takeTuningResult();
    void refreshStatusGroup(std::uint16_t state);
    bool quiet() const;
    void fireDueAlarms();
    void armTrigger();
    void armAlarmRecording();
    void copyTriggerData();
    void copyAlarmRecordData();

    DriveIdentity identity_;
    RegisterMemory memory_;
    std::set<std::uint16_t> parameters_;
    bool locked_ = false;
    MotorModel motor_;
    TraceRecorder trace_;
    TriggerCapture trigger_;
    AlarmRecorder alarmRecorder_;
    AlarmHistory history_;
    std::uint8_t activeAlarm_ = 0;
    std::vector<std::pair<long long, std::uint8_t>> scheduledAlarms_;
    std::uint16_t inputs_ = 0;
    std::uint16_t traceControl_ = 0;
    long long tuningDurationSteps_ = 3 * kStepsPerSecond;
    std::uint16_t measuredInertia_ = 0;
    long long now_ = 0;
};

} // namespace vq::sim
