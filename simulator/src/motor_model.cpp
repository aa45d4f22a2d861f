#include "simulator/src/motor_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vq::sim {
namespace {

constexpr double kAccelerationRpmPerStep = 10000.0 * kStepSeconds; // 10000 rpm/s
constexpr double kSpeedLoopAlpha = kStepSeconds / 0.004;           // 4 ms speed loop lag
constexpr double kCoastAlpha = kStepSeconds / 0.4;                 // free run-down, 0.4 s
constexpr double kCurrentLoopAlpha = 0.4;
constexpr double kOverloadAlpha = kStepSeconds / 10.0;             // thermal time constant 10 s
constexpr double kFrictionPercent = 2.0;
constexpr double kViscousPercentPerRpm = 0.001;
constexpr double kResonanceSpeedRpm = 30.0;
constexpr double kResonanceTorquePercent = 12.0;
constexpr double kMaxSpeedRpm = 5000.0;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

double sign(double v) { return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0); }

} // namespace

bool MotorModel::servoOn(bool alarmActive)
{
    if (alarmActive)
        return false;
    userServo_ = true;
    decelerating_ = false;
    jogDirection_ = 0; // "servo on with no motion" also ends a jog
    return true;
}

void MotorModel::servoOff()
{
    userServo_ = false;
    decelerating_ = false;
    jogDirection_ = 0;
}

bool MotorModel::jog(int direction)
{
    if (!userServo_)
        return false; // a jog needs the servo switched on first
    jogDirection_ = direction > 0 ? 1 : -1;
    return true;
}

void MotorModel::stopJog() { jogDirection_ = 0; }

bool MotorModel::startProgram(bool alarmActive)
{
    if (alarmActive)
        return false;
    programRunning_ = true;
    programStep_ = 0;
    programStepElapsed_ = 0;
    return true;
}

void MotorModel::endOwnMotion()
{
    if (!userServo_)
        decelerating_ = true;
}

void MotorModel::stopProgram()
{
    if (programRunning_)
        endOwnMotion();
    programRunning_ = false;
}

bool MotorModel::startTuning(bool alarmActive, long long durationSteps)
{
    if (alarmActive)
        return false;
    tuningRunning_ = true;
    tuningElapsed_ = 0;
    tuningDuration_ = std::max(1LL, durationSteps);
    return true;
}

void MotorModel::abortTuning()
{
    if (tuningRunning_)
        endOwnMotion();
    tuningRunning_ = false;
}

void MotorModel::trip()
{
    userServo_ = false;
    jogDirection_ = 0;
    programRunning_ = false;
    tuningRunning_ = false;
    decelerating_ = false;
}

void MotorModel::setResonance(bool on, double hz)
{
    resonanceOn_ = on;
    if (hz > 0 && hz < 2500)
        resonanceHz_ = hz;
}

bool MotorModel::active() const
{
    return servoIsOn() || std::abs(speed_) > 0.01 || std::abs(torque_) > 0.01;
}

double MotorModel::targetSpeed() const
{
    if (tuningRunning_) {
        const int level = std::clamp(settings_.tuningSpeedLevel, 1, 10);
        const int distance = std::clamp(settings_.tuningDistanceLevel, 1, 5);
        const long long half = distance * 100LL * kStepsPerMs;
        const bool forward = (tuningElapsed_ / half) % 2 == 0;
        return (forward ? 1.0 : -1.0) * level * 100.0;
    }
    if (programRunning_)
        return std::clamp(static_cast<double>(settings_.programSpeedRpm[static_cast<std::size_t>(programStep_)]),
                          -kMaxSpeedRpm, kMaxSpeedRpm);
    if (jogDirection_ != 0)
        return jogDirection_ * std::min(static_cast<double>(settings_.jogSpeedRpm), kMaxSpeedRpm);
    return 0.0;
}

void MotorModel::advanceProgram(long long steps)
{
    if (!programRunning_)
        return;
    auto length = [this](int i) {
        return std::max(0, settings_.programTimeMs[static_cast<std::size_t>(i)]) * kStepsPerMs;
    };
    long long cycle = 0;
    for (int i = 0; i < 4; ++i)
        cycle += length(i);
    if (cycle == 0) {
        programStep_ = 0; // no step has a duration: the program holds its first speed
        programStepElapsed_ = 0;
        return;
    }
    // Position within the cycle, moved on and wrapped; the step times may
    // have been rewritten while the program runs.
    long long at = programStepElapsed_;
    for (int i = 0; i < programStep_; ++i)
        at += length(i);
    at = (at + steps) % cycle;
    programStep_ = 0;
    while (at >= length(programStep_)) {
        at -= length(programStep_);
        ++programStep_;
    }
    programStepElapsed_ = at;
}

StepEvents MotorModel::advanceTuning(long long steps)
{
    StepEvents events;
    if (!tuningRunning_)
        return events;
    tuningElapsed_ += steps;
    if (tuningElapsed_ >= tuningDuration_) {
        tuningRunning_ = false;
        endOwnMotion();
        events.tuningFinished = true;
    }
    return events;
}

double MotorModel::notchGain() const
{
    if (!settings_.notchOn || settings_.notchHz <= 0 || settings_.notchBandwidthHz <= 0)
        return 1.0;
    // Second-order notch: |f0^2 - f^2| / sqrt((f0^2 - f^2)^2 + (bw f)^2).
    const double f = resonanceHz_;
    const double d = settings_.notchHz * settings_.notchHz - f * f;
    const double b = settings_.notchBandwidthHz * f;
    return std::max(0.03, std::abs(d) / std::sqrt(d * d + b * b));
}

StepEvents MotorModel::step()
{
    advanceProgram(1);
    const StepEvents events = advanceTuning(1);
    const bool on = servoIsOn();
    if (on) {
        const double target = targetSpeed();
        commandSpeed_ += std::clamp(target - commandSpeed_, -kAccelerationRpmPerStep, kAccelerationRpmPerStep);
        speed_ += (commandSpeed_ - speed_) * kSpeedLoopAlpha;
        if (decelerating_ && target == 0.0 && commandSpeed_ == 0.0 && std::abs(speed_) < 0.5)
            decelerating_ = false;
    } else {
        commandSpeed_ = 0;
        speed_ -= speed_ * kCoastAlpha;
        if (std::abs(speed_) < 0.01)
            speed_ = 0;
    }
    const double acceleration = (speed_ - lastSpeed_) / kStepSeconds;
    lastSpeed_ = speed_;
    if (on) {
        const double inertia = std::clamp((100.0 + settings_.inertiaRatio) / 200.0, 0.05, 50.0);
        commandTorque_ = acceleration * 0.003 * inertia + kFrictionPercent * sign(speed_) +
                         kViscousPercentPerRpm * speed_;
        commandTorque_ = std::clamp(commandTorque_, -torqueLimitPercent(), torqueLimitPercent());
    } else {
        commandTorque_ = 0;
    }
    torque_ += (commandTorque_ - torque_) * kCurrentLoopAlpha;
    if (!on && std::abs(torque_) < 0.01)
        torque_ = 0;

    const double pulsesPerStep = kEncoderPulsesPerRev / 60.0 * kStepSeconds;
    position_ += speed_ * pulsesPerStep;
    if (on)
        commandPosition_ += commandSpeed_ * pulsesPerStep;
    else
        commandPosition_ = position_; // no position loop while the servo is off

    const double load = torque_ / 100.0;
    overload_ += (load * load * 100.0 - overload_) * kOverloadAlpha;
    maximumLoad_ = std::max(maximumLoad_, std::abs(torque_));

    if (on && resonanceOn_) {
        resonancePhase_ = std::fmod(resonancePhase_ + kTwoPi * resonanceHz_ * kStepSeconds, kTwoPi);
        const double gain = notchGain();
        resonanceSpeed_ = kResonanceSpeedRpm * gain * std::sin(resonancePhase_);
        resonanceTorque_ = kResonanceTorquePercent * gain * std::cos(resonancePhase_);
    } else {
        resonanceSpeed_ = 0;
        resonanceTorque_ = 0;
    }
    ++stepCount_;
    return events;
}

StepEvents MotorModel::fastForward(long long steps)
{
    if (steps <= 0)
        return {};
    advanceProgram(steps);
    const StepEvents events = advanceTuning(steps);
    decelerating_ = false;
    const bool on = servoIsOn();
    const double settled = on ? targetSpeed() : 0.0;
    commandSpeed_ = settled;
    speed_ = settled;
    lastSpeed_ = settled;
    const double pulses = settled / 60.0 * kEncoderPulsesPerRev * kStepSeconds * static_cast<double>(steps);
    position_ += pulses;
    commandPosition_ = position_;
    commandTorque_ = on ? kFrictionPercent * sign(settled) + kViscousPercentPerRpm * settled : 0.0;
    torque_ = commandTorque_;
    overload_ = torque_ * torque_ / 100.0;
    resonancePhase_ = std::fmod(resonancePhase_ + kTwoPi * resonanceHz_ * kStepSeconds * static_cast<double>(steps), kTwoPi);
    stepCount_ += steps;
    return events;
}

double MotorModel::dcLinkDeciVolts() const
{
    // Mains rectified to about 310.5 V with a little 100 Hz ripple; motoring
    // draws it down, braking pumps it up.
    const double t = static_cast<double>(stepCount_) * kStepSeconds;
    const double ripple = 2.0 * std::sin(kTwoPi * 100.0 * t);
    const double power = torque_ * sign(speed_);
    const double sag = power >= 0 ? -0.8 * power : -1.5 * power;
    return 3105.0 + ripple + sag;
}

double MotorModel::inputFrequencyKhz() const { return 0.0; } // no pulse train in jog operation

bool MotorModel::inSpeed() const
{
    const double target = servoIsOn() ? targetSpeed() : 0.0;
    return servoIsOn() && target != 0.0 && std::abs(commandSpeed_ - target) < 1.0 &&
           std::abs(speed_ - target) <= 20.0;
}

bool MotorModel::inPosition() const
{
    return servoIsOn() && std::abs(commandPosition_ - position_) < 100.0;
}

bool MotorModel::zeroSpeed() const { return std::abs(speed_) < 10.0; }

} // namespace vq::sim
