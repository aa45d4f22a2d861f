#include "simulator/src/drive_model.h"

#include "simulator/src/drive_registers.h"
#include "simulator/src/drive_signals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vq::sim {
namespace {

std::uint16_t word(double v)
{
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L)));
}

std::uint16_t firmwareWord(const std::string &text, std::size_t first)
{
    // Two characters per register, the first in the low byte.
    const auto c = [&](std::size_t i) -> unsigned {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : static_cast<unsigned>(' ');
    };
    return static_cast<std::uint16_t>(c(first) | (c(first + 1) << 8));
}

std::uint16_t firmwareNumber(const std::string &text)
{
    unsigned value = 0;
    for (char ch : text) {
        if (ch >= '0' && ch <= '9')
            value = std::min(65535u, value * 10 + static_cast<unsigned>(ch - '0'));
    }
    return static_cast<std::uint16_t>(value);
}

} // namespace

DriveModel::DriveModel(const DriveIdentity &identity, const CatalogueDefaults &catalogue)
    : identity_(identity)
{
    loadFixedRegisters();
    loadCatalogue(catalogue);
    // The load the tuning will find: the mechanics differ from the factory guess.
    measuredInertia_ = static_cast<std::uint16_t>(std::min(30000, memory_.get(reg::kLoadInertia) + 137));
    refreshLiveRegisters();
}

void DriveModel::loadFixedRegisters()
{
    memory_.add(reg::kDriveState);
    memory_.add(reg::kActiveAlarmCode);
    memory_.add(reg::kVersionNumber);
    memory_.add(reg::kPresence, 1);
    memory_.add(reg::kLoadInertia, 100);
    memory_.add(reg::kJogSpeed, 500);
    const std::uint16_t program[] = {500, static_cast<std::uint16_t>(-500), 1000, 0, 1000, 1000, 1000, 0};
    for (int i = 0; i < 8; ++i)
        memory_.add(static_cast<std::uint16_t>(reg::kProgramSpeed1 + 2 * i), program[i]);
    memory_.add(reg::kNotchFrequency, 1000);
    memory_.add(reg::kNotchBandwidth, 100);
    // The gain set that tuning sets, at the catalogue's factory values.
    memory_.add(reg::kPositionLoopGain1, 50);
    memory_.add(reg::kSpeedLoopGain1, 75);
    memory_.add(reg::kSpeedIntegralTime1, 15);
    memory_.add(reg::kTorqueFilter1, 50);
    memory_.addRange(reg::status_group::kCurrentSpeed, reg::status_group::kMotorTemperature);
    memory_.addRange(reg::kStateFirst, reg::kStateLast);
    memory_.add(reg::kAlarmCommand);
    memory_.addRange(reg::kAlarmHistory, reg::kAlarmHistoryBlockLast);
    memory_.set(reg::kTuningSpeedLevel, 5);
    memory_.set(reg::kTuningDistanceLevel, 3);
    memory_.add(reg::kParameterLock, 1);
    memory_.addRange(reg::kAlarmRecordState, reg::kCaptureLast);
    memory_.addRange(reg::kInputs, reg::kOutputs);
    memory_.add(reg::kFirmwareText12);
    memory_.add(reg::kFirmwareText34);
    memory_.add(reg::kOperationCommand);
    memory_.add(reg::kProgramJogCommand);
}

void DriveModel::loadCatalogue(const CatalogueDefaults &catalogue)
{
    // A group is read and written as one block from its first address, so
    // every address between a group's lowest and highest register exists.
    std::vector<std::pair<int, int>> spans(8, {65536, -1});
    for (const ParameterDefault &p : catalogue.parameters) {
        const unsigned last = p.twoRegisters ? p.address + 2u : p.address;
        if (p.group >= 0 && p.group < 8) {
            auto &span = spans[static_cast<std::size_t>(p.group)];
            span.first = std::min(span.first, static_cast<int>(p.address));
            span.second = std::max(span.second, static_cast<int>(last));
        }
    }
    for (const auto &[first, last] : spans) {
        for (int a = first; a <= last; a += 2) {
            if (!memory_.isKnown(static_cast<std::uint16_t>(a)))
                memory_.add(static_cast<std::uint16_t>(a));
        }
    }
    for (const ParameterDefault &p : catalogue.parameters) {
        memory_.add(p.address, p.firstWord);
        parameters_.insert(p.address);
        if (p.twoRegisters) {
            const auto high = static_cast<std::uint16_t>(p.address + 2u);
            memory_.add(high, p.secondWord);
            parameters_.insert(high);
        }
    }
}

void DriveModel::setIdentity(const DriveIdentity &identity)
{
    identity_ = identity;
    refreshLiveRegisters();
}

void DriveModel::setInputs(std::uint16_t bits)
{
    const bool resetEdge = (bits & reg::kInAlarmReset) && !(inputs_ & reg::kInAlarmReset);
    inputs_ = bits;
    if (resetEdge)
        activeAlarm_ = 0;
}

// ---- time -------------------------------------------------------------

bool DriveModel::quiet() const
{
    // Nothing that changes with time: no motion, no recorder sampling.
    const auto triggerState = trigger_.state();
    const auto alarmState = alarmRecorder_.state();
    return !motor_.active() && !trace_.running() &&
           (triggerState == TriggerCapture::kIdle || triggerState == TriggerCapture::kComplete) &&
           (alarmState == AlarmRecorder::kIdle || alarmState == AlarmRecorder::kReady);
}

void DriveModel::fireDueAlarms()
{
    for (auto it = scheduledAlarms_.begin(); it != scheduledAlarms_.end();) {
        if (it->first <= now_) {
            const std::uint8_t code = it->second;
            it = scheduledAlarms_.erase(it);
            raiseAlarm(code);
        } else {
            ++it;
        }
    }
}

void DriveModel::stepOnce()
{
    fireDueAlarms();
    const StepEvents events = motor_.step();
    ++now_;
    if (events.tuningFinished)
        takeTuningResult();
    const SignalContext signals{motor_, inputs_, outputWord()};
    trace_.onStep(signals);
    if (trigger_.onStep(signals))
        copyTriggerData();
    if (alarmRecorder_.onStep(signals))
        copyAlarmRecordData();
}

// A finished run sets the inertia it found and the first gain set to suit
// it: a heavier load gets a softer speed loop, as the drive's own rule does.
void DriveModel::takeTuningResult()
{
    memory_.set(reg::kLoadInertia, measuredInertia_);
    const int ratio = std::max(1, static_cast<int>(measuredInertia_)); // % of the motor's own inertia
    const int speedGain = std::clamp(30000 / (ratio + 100) + 10, 1, 2000); // Hz
    const int positionGain = std::clamp(speedGain * 2 / 3, 1, 500);       // 1/s
    const int integralTime = std::clamp(4000 / speedGain, 1, 1000);       // ms
    const int torqueFilter = std::clamp(16000 / speedGain, 0, 2500);      // 0.01 ms
    memory_.set(reg::kPositionLoopGain1, static_cast<std::uint16_t>(positionGain));
    memory_.set(reg::kSpeedLoopGain1, static_cast<std::uint16_t>(speedGain));
    memory_.set(reg::kSpeedIntegralTime1, static_cast<std::uint16_t>(integralTime));
    memory_.set(reg::kTorqueFilter1, static_cast<std::uint16_t>(torqueFilter));
}

void DriveModel::advanceTo(long long step)
{
    if (step <= now_)
        return;
    motor_.setSettings(settingsFromRegisters());
    while (now_ < step) {
        long long nextAlarm = step;
        for (const auto &[at, code] : scheduledAlarms_)
            nextAlarm = std::min(nextAlarm, std::max(at, now_));
        if (quiet() && nextAlarm > now_) {
            // Nothing moves: jump straight to the next thing that happens.
            motor_.fastForward(nextAlarm - now_);
            now_ = nextAlarm;
            fireDueAlarms();
            continue;
        }
        const long long gap = std::min(nextAlarm, step) - now_;
        if (gap > kMaxCatchUpSteps && step - now_ > kMaxCatchUpSteps) {
            const long long skip = std::min(gap, step - now_ - kMaxCatchUpSteps);
            const StepEvents events = motor_.fastForward(skip);
            if (events.tuningFinished)
                takeTuningResult();
            trace_.skip(skip);
            now_ += skip;
            continue;
        }
        stepOnce();
    }
    fireDueAlarms();
}

// ---- registers --------------------------------------------------------

MotorSettings DriveModel::settingsFromRegisters() const
{
    MotorSettings s;
    s.jogSpeedRpm = memory_.get(reg::kJogSpeed);
    for (std::size_t i = 0; i < 4; ++i) {
        s.programSpeedRpm[i] = static_cast<std::int16_t>(memory_.get(static_cast<std::uint16_t>(reg::kProgramSpeed1 + 2 * i)));
        s.programTimeMs[i] = static_cast<std::int16_t>(memory_.get(static_cast<std::uint16_t>(reg::kProgramTime1 + 2 * i)));
    }
    s.tuningSpeedLevel = static_cast<std::int16_t>(memory_.get(reg::kTuningSpeedLevel));
    s.tuningDistanceLevel = static_cast<std::int16_t>(memory_.get(reg::kTuningDistanceLevel));
    s.inertiaRatio = static_cast<std::int16_t>(memory_.get(reg::kLoadInertia));
    s.notchOn = memory_.get(reg::kNotchUse) == 1;
    s.notchHz = memory_.get(reg::kNotchFrequency);
    s.notchBandwidthHz = memory_.get(reg::kNotchBandwidth);
    return s;
}

std::uint16_t DriveModel::outputWord() const
{
    std::uint16_t out = 0;
    if (activeAlarm_ != 0)
        out |= reg::kOutAlarm;
    else
        out |= reg::kOutReady;
    if (motor_.zeroSpeed())
        out |= reg::kOutZeroSpeed;
    if (motor_.servoIsOn())
        out |= reg::kOutBrake; // brake released while the motor is powered
    if (motor_.inPosition())
        out |= reg::kOutInPosition;
    if (motor_.inSpeed())
        out |= reg::kOutInSpeed;
    if (motor_.overloadPercent() > 80.0)
        out |= reg::kOutWarning;
    return out;
}

void DriveModel::refreshLiveRegisters()
{
    const MotorModel &m = motor_;
    std::uint16_t state = 0;
    if (activeAlarm_ == 0)
        state |= 1u << 0;
    if (m.servoIsOn())
        state |= 1u << 1;
    if (activeAlarm_ != 0)
        state |= 1u << 2;
    memory_.set(reg::kDriveState, state);
    memory_.set(reg::kActiveAlarmCode, activeAlarm_);
    memory_.set(reg::kVersionNumber, identity_.versionWord());

    memory_.set(reg::kCurrentSpeed, word(m.speedRpm()));
    memory_.set(reg::kCommandSpeed, word(m.commandSpeedRpm()));
    memory_.set32(reg::kFeedbackPulse, static_cast<std::int32_t>(static_cast<std::uint32_t>(m.feedbackPulses())));
    memory_.set32(reg::kCommandPulse, static_cast<std::int32_t>(static_cast<std::uint32_t>(m.commandPulses())));
    memory_.set32(reg::kFollowingError, static_cast<std::int32_t>(m.commandPulses() - m.feedbackPulses()));
    memory_.set32(reg::kInputFrequency, static_cast<std::int32_t>(std::lround(m.inputFrequencyKhz() * 10.0)));
    memory_.set(reg::kCurrentTorque, word(m.torquePercent() * 10.0));
    memory_.set(reg::kCommandTorque, word(m.commandTorquePercent() * 10.0));
    memory_.set(reg::kAccumulatedOverload, word(m.overloadPercent() * 10.0));
    memory_.set(reg::kMaximumLoad, word(m.maximumLoadPercent() * 10.0));
    memory_.set(reg::kTorqueLimit, word(m.torqueLimitPercent() * 10.0));
    memory_.set(reg::kDcLinkVoltage, word(m.dcLinkDeciVolts()));
    memory_.set(reg::kRegenerativeOverload, 0);
    const long long pulses = m.feedbackPulses();
    const long long turns = pulses >= 0 ? pulses / kEncoderPulsesPerRev
                                        : -((-pulses + kEncoderPulsesPerRev - 1) / kEncoderPulsesPerRev);
    const long long single = pulses - turns * kEncoderPulsesPerRev;
    memory_.set32(reg::kSingleTurn, static_cast<std::int32_t>(single));
    memory_.set(reg::kSingleTurnDegrees, static_cast<std::uint16_t>(single * 3600 / kEncoderPulsesPerRev));
    memory_.set32(reg::kMultiTurn, static_cast<std::int32_t>(std::clamp(turns, -2147483647LL, 2147483647LL)));
    memory_.set(reg::kRoomTemperature, word(28.0 + m.overloadPercent() * 0.05));
    memory_.set(reg::kRatedSpeed, 3000);
    memory_.set(reg::kMaximumSpeed, 5000);
    memory_.set(reg::kRatedCurrent, 280); // 2.80 A
    memory_.set(reg::kUPhaseOffset, 12);
    memory_.set(reg::kVPhaseOffset, word(-7));
    memory_.set(reg::kFpgaVersion, 15); // 1.5
    memory_.set32(reg::kExternalFeedback, 0);
    memory_.set32(reg::kExternalError, 0);
    memory_.set(reg::kOsVersion, firmwareNumber(identity_.firmwareText));
    refreshStatusGroup(state);

    memory_.set(reg::kTuningCommand, m.tuningRunning() ? 1 : 0);
    memory_.set(reg::kAlarmRecordState, alarmRecorder_.state());
    memory_.set(reg::kTriggerState, trigger_.state());
    memory_.set(reg::kTraceControl, trace_.running() ? 2 : traceControl_);
    memory_.set(reg::kInputs, inputs_);
    memory_.set(reg::kInputsAux, 0);
    memory_.set(reg::kOutputs, outputWord());
    memory_.set(reg::kFirmwareText12, firmwareWord(identity_.firmwareText, 0));
    memory_.set(reg::kFirmwareText34, firmwareWord(identity_.firmwareText, 2));
    memory_.set(reg::kParameterLock, locked_ ? 2 : 1);
}

// The Status group tells what the state block tells, so the parameter
// window's Status tab and the panes agree.
void DriveModel::refreshStatusGroup(std::uint16_t state)
{
    namespace sg = reg::status_group;
    const auto copy = [&](std::uint16_t to, std::uint16_t from) { memory_.set(to, memory_.get(from)); };
    const auto copy32 = [&](std::uint16_t to, std::uint16_t from) {
        copy(to, from);
        copy(static_cast<std::uint16_t>(to + 2), static_cast<std::uint16_t>(from + 2));
    };
    copy(sg::kCurrentSpeed, reg::kCurrentSpeed);
    copy(sg::kCommandSpeed, reg::kCommandSpeed);
    copy32(sg::kFeedbackPulse, reg::kFeedbackPulse);
    copy32(sg::kCommandPulse, reg::kCommandPulse);
    copy32(sg::kFollowingError, reg::kFollowingError);
    copy32(sg::kInputFrequency, reg::kInputFrequency);
    memory_.set32(sg::kOperationTime, static_cast<std::int32_t>(now_ / (kStepsPerSecond * 360)));
    copy(sg::kCurrentTorque, reg::kCurrentTorque);
    copy(sg::kCommandTorque, reg::kCommandTorque);
    copy(sg::kAccumulatedOverload, reg::kAccumulatedOverload);
    copy(sg::kMaximumLoad, reg::kMaximumLoad);
    copy(sg::kTorqueLimit, reg::kTorqueLimit);
    copy(sg::kDcLinkVoltage, reg::kDcLinkVoltage);
    copy(sg::kRegenerativeOverload, reg::kRegenerativeOverload);
    copy(sg::kSingleTurnDegrees, reg::kSingleTurnDegrees);
    copy(sg::kMultiTurn, reg::kMultiTurn); // the low word: the group holds 16 bits
    copy(sg::kDriveTemperature, reg::kRoomTemperature);
    copy(sg::kRatedSpeed, reg::kRatedSpeed);
    copy(sg::kMaximumSpeed, reg::kMaximumSpeed);
    copy(sg::kRatedCurrent, reg::kRatedCurrent);
    copy(sg::kUPhaseOffset, reg::kUPhaseOffset);
    copy(sg::kVPhaseOffset, reg::kVPhaseOffset);
    memory_.set(sg::kRatedTorque, 127); // 1.27 N m
    memory_.set(sg::kServoState, static_cast<std::uint16_t>(state & 0x0F));
    memory_.set(sg::kAlarmCode, activeAlarm_);
    copy(sg::kFpgaVersion, reg::kFpgaVersion);
    memory_.set(sg::kBatteryVoltage, 36); // 3.6 V
    memory_.set(sg::kAnalogSpeed, 0);
    memory_.set(sg::kAnalogTorque, 0);
    memory_.set(sg::kMotorTemperature, word(30.0 + motor_.overloadPercent() * 0.1));
}

std::uint16_t DriveModel::peek(std::uint16_t address)
{
    refreshLiveRegisters();
    return memory_.get(address);
}

Access DriveModel::read(std::uint16_t start, int count, std::uint16_t *out)
{
    if (!memory_.isKnownBlock(start, count))
        return Access::kUnknownAddress;
    refreshLiveRegisters();
    for (int i = 0; i < count; ++i)
        out[i] = memory_.get(static_cast<std::uint16_t>(start + 2 * i));
    return Access::kOk;
}

Access DriveModel::readScattered(const std::uint16_t *addresses, int count, std::uint16_t *out)
{
    for (int i = 0; i < count; ++i) {
        if (!memory_.isKnown(addresses[i]))
            return Access::kUnknownAddress;
    }
    refreshLiveRegisters();
    for (int i = 0; i < count; ++i)
        out[i] = memory_.get(addresses[i]);
    return Access::kOk;
}

Access DriveModel::validateWrite(std::uint16_t address, std::uint16_t value) const
{
    if (!memory_.isKnown(address))
        return Access::kUnknownAddress;
    if (locked_ && parameters_.count(address))
        return Access::kLocked;
    switch (address) {
    case reg::kParameterLock: return (value == 1 || value == 2) ? Access::kOk : Access::kBadValue;
    case reg::kAlarmCommand: return value <= 3 ? Access::kOk : Access::kBadValue;
    case reg::kTuningCommand: return (value == 0 || value == 1 || value == 4) ? Access::kOk : Access::kBadValue;
    case reg::kOperationCommand:
        return (value == 0 || value == 1 || value == 2 || value == 4 || value == 6) ? Access::kOk : Access::kBadValue;
    case reg::kProgramJogCommand: return value <= 1 ? Access::kOk : Access::kBadValue;
    case reg::kTraceControl: return value <= 2 ? Access::kOk : Access::kBadValue;
    case reg::kAlarmRecordState:
    case reg::kTriggerState: return value <= 1 ? Access::kOk : Access::kBadValue;
    default: return Access::kOk;
    }
}

Access DriveModel::write(std::uint16_t start, const std::uint16_t *values, int count)
{
    if (!memory_.isKnownBlock(start, count))
        return Access::kUnknownAddress;
    // All or nothing: the first refusal answers for the whole request.
    for (int i = 0; i < count; ++i) {
        const Access a = validateWrite(static_cast<std::uint16_t>(start + 2 * i), values[i]);
        if (a != Access::kOk)
            return a;
    }
    for (int i = 0; i < count; ++i)
        memory_.set(static_cast<std::uint16_t>(start + 2 * i), values[i]);
    // Commands act once the whole block is in place, so that a set-up block
    // that begins with its command word finds the rest of its words.
    motor_.setSettings(settingsFromRegisters());
    for (int i = 0; i < count; ++i)
        applyWrite(static_cast<std::uint16_t>(start + 2 * i), values[i]);
    refreshLiveRegisters();
    return Access::kOk;
}

void DriveModel::applyWrite(std::uint16_t address, std::uint16_t value)
{
    const bool alarm = activeAlarm_ != 0;
    switch (address) {
    case reg::kParameterLock: locked_ = value == 2; break;
    case reg::kAlarmCommand:
        if (value == 1)
            activeAlarm_ = 0;
        else if (value == 2)
            history_.clear();
        if (value == 2 || value == 3) {
            const auto words = history_.latchedWords();
            for (std::size_t k = 0; k < words.size(); ++k)
                memory_.set(static_cast<std::uint16_t>(reg::kAlarmHistory + 2 * k), words[k]);
        }
        memory_.set(reg::kAlarmCommand, 0);
        break;
    case reg::kTuningCommand:
        if (value == 1)
            motor_.startTuning(alarm, tuningDurationSteps_);
        else if (value == 4)
            motor_.abortTuning(); // also the acknowledge of a finished run
        break;
    case reg::kOperationCommand:
        if (value == 1)
            motor_.servoOn(alarm);
        else if (value == 2)
            motor_.jog(+1);
        else if (value == 4)
            motor_.jog(-1);
        else if (value == 6)
            motor_.servoOff();
        break;
    case reg::kProgramJogCommand:
        if (value == 1)
            motor_.startProgram(alarm);
        else
            motor_.stopProgram();
        break;
    case reg::kTraceControl:
        traceControl_ = value;
        if (value == 0) {
            trace_.stop();
        } else {
            trace_.configure(makeSamplingSetup(memory_.get(1038), memory_.get(1040), memory_.get(1042),
                                               memory_.get(1044), memory_.get(1046)));
            if (value == 2)
                trace_.start();
        }
        break;
    case reg::kAlarmRecordState:
        if (value == 1)
            armAlarmRecording();
        else
            alarmRecorder_.disarm();
        break;
    case reg::kTriggerState:
        if (value == 1)
            armTrigger();
        else
            trigger_.disarm();
        break;
    default: break;
    }
}

void DriveModel::armTrigger()
{
    const auto r = [this](std::uint16_t a) { return memory_.get(a); };
    TriggerCapture::Setup setup;
    setup.sampling = makeSamplingSetup(r(1016), r(1018), r(1020), r(1022), r(1024));
    setup.source = r(1026);
    setup.edge = r(1028) ? 1 : 0;
    setup.position = std::min<int>(r(1030), TriggerCapture::kSamples - 1);
    setup.level = static_cast<std::int16_t>(r(1032));
    trigger_.arm(setup);
}

void DriveModel::armAlarmRecording()
{
    const auto r = [this](std::uint16_t a) { return memory_.get(a); };
    const SignalContext signals{motor_, inputs_, outputWord()};
    alarmRecorder_.arm(makeSamplingSetup(r(1002), r(1004), r(1006), r(1008), r(1010)), signals);
}

void DriveModel::copyTriggerData()
{
    for (std::size_t c = 0; c < 4; ++c) {
        const auto &samples = trigger_.channel(c);
        for (std::size_t i = 0; i < samples.size(); ++i)
            memory_.set(static_cast<std::uint16_t>(reg::kTriggerData + 512 * c + 2 * i),
                        static_cast<std::uint16_t>(samples[i]));
    }
    memory_.set(reg::kTriggerStart, static_cast<std::uint16_t>(trigger_.startPosition()));
}

void DriveModel::copyAlarmRecordData()
{
    for (std::size_t c = 0; c < 4; ++c) {
        const auto &samples = alarmRecorder_.channel(c);
        for (std::size_t i = 0; i < samples.size(); ++i)
            memory_.set(static_cast<std::uint16_t>(reg::kAlarmRecordData + 256 * c + 2 * i),
                        static_cast<std::uint16_t>(samples[i]));
    }
    memory_.set(reg::kAlarmRecordStart, static_cast<std::uint16_t>(alarmRecorder_.startPosition()));
}

// ---- alarms -----------------------------------------------------------

void DriveModel::raiseAlarm(std::uint8_t code)
{
    if (code == 0)
        return;
    activeAlarm_ = code;
    history_.record(code);
    motor_.trip();
    alarmRecorder_.alarmOccurred();
}

void DriveModel::scheduleAlarm(std::uint8_t code, long long atStep)
{
    if (code == 0)
        return;
    if (atStep <= now_)
        raiseAlarm(code);
    else
        scheduledAlarms_.emplace_back(atStep, code);
}

std::string DriveModel::statusText() const
{
    char text[512];
    const MotorModel &m = motor_;
    const auto codes = history_.codes();
    const auto recorded = codes.size() - static_cast<std::size_t>(std::count(codes.begin(), codes.end(), std::uint8_t{0}));
    std::snprintf(text, sizeof text,
                  "servo %s, %s, speed %.0f rpm (command %.0f), torque %.1f %%, alarm %s%02x, "
                  "history %zu, parameters %s, trace %s (%zu queued, %lld overruns), trigger state %d, "
                  "alarm recording state %d, resonance %s %.0f Hz, version %c%.2f.%d",
                  m.servoIsOn() ? "on" : "off",
                  m.tuningRunning() ? "tuning" : m.programRunning() ? "program jog" : m.jogging() ? "jogging" : "idle",
                  m.speedRpm(), m.commandSpeedRpm(), m.torquePercent(), activeAlarm_ ? "AL-" : "none ",
                  activeAlarm_, recorded,
                  locked_ ? "locked" : "unlocked", trace_.running() ? "running" : "stopped", trace_.queued(),
                  trace_.overruns(), static_cast<int>(trigger_.state()), static_cast<int>(alarmRecorder_.state()),
                  m.resonanceOn() ? "on" : "off", m.resonanceHz(), identity_.variantB ? 'B' : 'A',
                  identity_.versionHundredths / 100.0, identity_.subVersion);
    return text;
}

} // namespace vq::sim
