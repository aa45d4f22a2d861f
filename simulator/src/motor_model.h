// The motor and its servo loop, advanced in fixed sample steps of 0.2 ms
// (the drive's 5 kHz control rate). What moves the motor: the manual jog,
// the program jog running its four speed/time steps cyclically, and the
// auto tuning run going back and forth. The command speed ramps at a fixed
// acceleration, the motor follows through the speed loop's lag, the torque
// follows the acceleration and friction, and a mechanical resonance can be
// switched on that the notch filter attenuates.
#pragma once

#include <array>
#include <cstdint>

namespace vq::sim {

inline constexpr double kStepSeconds = 0.0002;
inline constexpr long long kStepsPerSecond = 5000;
inline constexpr long long kStepsPerMs = 5;
inline constexpr int kEncoderPulsesPerRev = 131072; // 17-bit single-turn encoder

// What the register memory says about motion, taken before each advance.
struct MotorSettings {
    int jogSpeedRpm = 0;
    std::array<int, 4> programSpeedRpm{};
    std::array<int, 4> programTimeMs{};
    int tuningSpeedLevel = 5;
    int tuningDistanceLevel = 3;
    int inertiaRatio = 100;
    bool notchOn = false;
    double notchHz = 0;
    double notchBandwidthHz = 0;
};

struct StepEvents {
    bool tuningFinished = false;
};

class MotorModel {
public:
    void setSettings(const MotorSettings &settings) { settings_ = settings; }

    // Operation commands. They return false when the drive refuses them
    // (servo off for a jog, an active alarm for servo on).
    bool servoOn(bool alarmActive);
    void servoOff();
    bool jog(int direction); // +1 forward, -1 reverse
    void stopJog();
    bool startProgram(bool alarmActive);
    void stopProgram();
    bool startTuning(bool alarmActive, long long durationSteps);
    void abortTuning();
    // An alarm cuts the motor current at once: everything stops, the motor coasts.
    void trip();

    void setResonance(bool on, double hz);
    bool resonanceOn() const { return resonanceOn_; }
    double resonanceHz() const { return resonanceHz_; }

    StepEvents step();
    // Skips a long stretch without sample-exact motion: ramps and lags have
    // settled, positions move on at the settled speed.
    StepEvents fastForward(long long steps);

    bool servoIsOn() const { return userServo_ || programRunning_ || tuningRunning_ || decelerating_; }
    bool userServoOn() const { return userServo_; }
    bool jogging() const { return jogDirection_ != 0; }
    bool programRunning() const { return programRunning_; }
    bool tuningRunning() const { return tuningRunning_; }
    // True while something moves or will move: the model must then be advanced
    // sample by sample; otherwise a long gap can be skipped.
    bool active() const;

    double speedRpm() const { return speed_ + resonanceSpeed_; }
    double commandSpeedRpm() const { return commandSpeed_; }
    double torquePercent() const { return torque_ + resonanceTorque_; }
    double commandTorquePercent() const { return commandTorque_; }
    double torqueLimitPercent() const { return 300.0; }
    double overloadPercent() const { return overload_; }
    double maximumLoadPercent() const { return maximumLoad_; }
    double dcLinkDeciVolts() const;
    long long feedbackPulses() const { return static_cast<long long>(position_); }
    long long commandPulses() const { return static_cast<long long>(commandPosition_); }
    double inputFrequencyKhz() const;
    bool inSpeed() const;
    bool inPosition() const;
    bool zeroSpeed() const;

private:
    double targetSpeed() const;
    double notchGain() const;
    void advanceProgram(long long steps);
    StepEvents advanceTuning(long long steps);
    void endOwnMotion();

    MotorSettings settings_;
    bool userServo_ = false;
    int jogDirection_ = 0;
    bool programRunning_ = false;
    int programStep_ = 0;
    long long programStepElapsed_ = 0;
    bool tuningRunning_ = false;
    // A program jog or tuning run that ended brings the motor to a stop
    // under control before the drive lets go of it.
    bool decelerating_ = false;
    long long tuningElapsed_ = 0;
    long long tuningDuration_ = 0;

    double commandSpeed_ = 0;
    double speed_ = 0;
    double lastSpeed_ = 0;
    double torque_ = 0;
    double commandTorque_ = 0;
    double position_ = 0;
    double commandPosition_ = 0;
    double overload_ = 0;
    double maximumLoad_ = 0;
    long long stepCount_ = 0;

    bool resonanceOn_ = false;
    double resonanceHz_ = 600;
    double resonancePhase_ = 0;
    double resonanceSpeed_ = 0;
    double resonanceTorque_ = 0;
};

} // namespace vq::sim
