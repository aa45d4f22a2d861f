// The drive registers that the operation tools command and read, with the
// values the drive's firmware gives them. Addresses are link addresses
// (two address units per 16-bit register).
#pragma once

#include <cstdint>

namespace tarvex::operation_register {

// Manual jog.
inline constexpr std::uint16_t kOperationCommand = 0x1056;
inline constexpr std::uint16_t kJogSpeed = 0x009E;
inline constexpr std::uint16_t kCurrentSpeed = 0x00CE;
// The motor's maximum speed [r/min]: no jog speed may lie above it.
inline constexpr std::uint16_t kMaximumSpeed = 0x00FE;

// Program jog: Speed1..Speed4 then Time1..Time4 from 0x00A0 on.
inline constexpr std::uint16_t kProgramJogCommand = 0x1058;
inline constexpr std::uint16_t kProgramFirst = 0x00A0;
inline constexpr int kProgramValues = 8;

// Auto gain tuning: the command register also reads back the run status
// (low byte non-zero while the drive tunes); the settings are the speed
// level followed by the distance level.
inline constexpr std::uint16_t kTuningCommand = 0x012C;
inline constexpr std::uint16_t kTuningSettings = 0x0130;
inline constexpr std::uint16_t kLoadInertia = 0x0052;
// The first gain set, which a tuning run sets from the inertia it finds:
// position loop gain 1, speed loop gain 1, speed integral time 1 and
// torque command filter 1, one register each.
inline constexpr std::uint16_t kTunedGainsFirst = 0x00B4;
inline constexpr int kTunedGainCount = 4;

} // namespace tarvex::operation_register

namespace tarvex::operation_value {

// Written to the operation command register.
inline constexpr std::uint16_t kServoOn = 1; // servo on with no motion: also ends a jog
inline constexpr std::uint16_t kJogForward = 2;
inline constexpr std::uint16_t kJogReverse = 4;
inline constexpr std::uint16_t kServoOff = 6;

// Written to the program jog command register.
inline constexpr std::uint16_t kProgramStart = 1;
inline constexpr std::uint16_t kProgramStop = 0;

// Written to the tuning command register; the stop also acknowledges a
// finished run.
inline constexpr std::uint16_t kTuningStart = 1;
inline constexpr std::uint16_t kTuningStop = 4;

} // namespace tarvex::operation_value
