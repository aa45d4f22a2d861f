#include "simulator/src/drive_signals.h"

#include "simulator/src/drive_registers.h"

#include <algorithm>
#include <cmath>

namespace vq::sim {
namespace {

std::int16_t clamp16(double v)
{
    return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

int bit(std::uint16_t word, std::uint16_t mask) { return (word & mask) ? 1 : 0; }

} // namespace

std::int16_t channelSample(int code, const SignalContext &s, long long sampleIndex)
{
    const MotorModel &m = s.motor;
    switch (code) {
    case 1: return clamp16(m.speedRpm());
    case 2: return clamp16(m.commandSpeedRpm());
    case 3: return clamp16(m.overloadPercent());
    case 4: return clamp16(m.torquePercent());
    case 5: return clamp16(m.commandTorquePercent());
    case 6: return clamp16(m.torqueLimitPercent());
    case 7: return clamp16(m.dcLinkDeciVolts());
    case 8: return static_cast<std::int16_t>(static_cast<std::uint16_t>(sampleIndex & 0xFFFF));
    case 11: return static_cast<std::int16_t>(m.servoIsOn() ? 1 : 0);
    case 12: return static_cast<std::int16_t>(bit(s.inputs, reg::kInPot));
    case 13: return static_cast<std::int16_t>(bit(s.inputs, reg::kInNot));
    case 14: return static_cast<std::int16_t>(bit(s.inputs, reg::kInHome));
    case 15: return static_cast<std::int16_t>(bit(s.outputs, reg::kOutAlarm));
    case 16: return 0; // hardware base block: the safety inputs are closed
    case 17: return static_cast<std::int16_t>(bit(s.outputs, reg::kOutBrake));
    case 18: return static_cast<std::int16_t>(bit(s.outputs, reg::kOutInSpeed));
    case 19: return static_cast<std::int16_t>(bit(s.outputs, reg::kOutInPosition));
    default: return 0;
    }
}

int triggerSourceValue(int code, const SignalContext &s)
{
    const MotorModel &m = s.motor;
    switch (code) {
    case 1: return channelSample(1, s, 0);
    case 2: return channelSample(2, s, 0);
    case 3: return clamp16(m.inputFrequencyKhz() * 10.0);
    case 4: return channelSample(4, s, 0);
    case 5: return channelSample(5, s, 0);
    case 6: return channelSample(6, s, 0);
    case 7: return channelSample(7, s, 0);
    case 11: return m.servoIsOn() ? 1 : 0;
    case 15: return m.speedRpm() < 0 ? 1 : 0;
    case 16: return bit(s.outputs, reg::kOutInSpeed);
    case 17: return bit(s.outputs, reg::kOutInPosition);
    case 18: return std::abs(m.torquePercent()) >= m.torqueLimitPercent() ? 1 : 0;
    case 19: return bit(s.outputs, reg::kOutAlarm);
    default: return 0; // speed selections (no inputs wired) and the spare source
    }
}

} // namespace vq::sim
