// Addresses of the drive's fixed registers, the ones its firmware gives a
// meaning of its own (the parameters come from the catalogue).
#pragma once

#include <cstdint>

namespace vq::sim::reg {

inline constexpr std::uint16_t kDriveState = 0;      // bit 0 ready, bit 1 servo on, bit 2 alarm
inline constexpr std::uint16_t kActiveAlarmCode = 60; // the catalogue's status value "Alarm Code"
inline constexpr std::uint16_t kVersionNumber = 62;  // bit 15 variant, 14..5 version x 100, 4..0 sub
inline constexpr std::uint16_t kPresence = 78;
inline constexpr std::uint16_t kLoadInertia = 82;
inline constexpr std::uint16_t kJogSpeed = 158;
inline constexpr std::uint16_t kProgramSpeed1 = 160; // Speed1..4 at 160..166
inline constexpr std::uint16_t kProgramTime1 = 168;  // Time1..4 at 168..174
inline constexpr std::uint16_t kNotchUse = 174;      // shared with Time4
inline constexpr std::uint16_t kNotchFrequency = 176;
inline constexpr std::uint16_t kNotchBandwidth = 178;
// The first gain set, which a finished tuning run sets from the inertia found.
inline constexpr std::uint16_t kPositionLoopGain1 = 180;
inline constexpr std::uint16_t kSpeedLoopGain1 = 182;
inline constexpr std::uint16_t kSpeedIntegralTime1 = 184;
inline constexpr std::uint16_t kTorqueFilter1 = 186;

// State variable block, 32-bit values low register first.
inline constexpr std::uint16_t kStateFirst = 206;
inline constexpr std::uint16_t kCurrentSpeed = 206;
inline constexpr std::uint16_t kCommandSpeed = 208;
inline constexpr std::uint16_t kFeedbackPulse = 210;
inline constexpr std::uint16_t kCommandPulse = 214;
inline constexpr std::uint16_t kFollowingError = 218;
inline constexpr std::uint16_t kInputFrequency = 222;
inline constexpr std::uint16_t kCurrentTorque = 226;
inline constexpr std::uint16_t kCommandTorque = 228;
inline constexpr std::uint16_t kAccumulatedOverload = 230;
inline constexpr std::uint16_t kMaximumLoad = 232;
inline constexpr std::uint16_t kTorqueLimit = 234;
inline constexpr std::uint16_t kDcLinkVoltage = 236;
inline constexpr std::uint16_t kRegenerativeOverload = 238;
inline constexpr std::uint16_t kSingleTurn = 240;
inline constexpr std::uint16_t kSingleTurnDegrees = 244;
inline constexpr std::uint16_t kMultiTurn = 246;
inline constexpr std::uint16_t kRoomTemperature = 250;
inline constexpr std::uint16_t kRatedSpeed = 252;
inline constexpr std::uint16_t kMaximumSpeed = 254;
inline constexpr std::uint16_t kRatedCurrent = 256;
inline constexpr std::uint16_t kUPhaseOffset = 258;
inline constexpr std::uint16_t kVPhaseOffset = 260;
inline constexpr std::uint16_t kFpgaVersion = 262;
inline constexpr std::uint16_t kExternalFeedback = 264;
inline constexpr std::uint16_t kExternalError = 268;
inline constexpr std::uint16_t kOsVersion = 272;
inline constexpr std::uint16_t kStateLast = 272;

// The catalogue's Status group (registers 2 to 72): the same quantities in
// the drive's parameter layout, in the same units as the block above.
namespace status_group {
inline constexpr std::uint16_t kCurrentSpeed = 2;
inline constexpr std::uint16_t kCommandSpeed = 4;
inline constexpr std::uint16_t kFeedbackPulse = 6;
inline constexpr std::uint16_t kCommandPulse = 10;
inline constexpr std::uint16_t kFollowingError = 14;
inline constexpr std::uint16_t kInputFrequency = 18;
inline constexpr std::uint16_t kOperationTime = 22; // 0.1 h
inline constexpr std::uint16_t kCurrentTorque = 26;
inline constexpr std::uint16_t kCommandTorque = 28;
inline constexpr std::uint16_t kAccumulatedOverload = 30;
inline constexpr std::uint16_t kMaximumLoad = 32;
inline constexpr std::uint16_t kTorqueLimit = 34;
inline constexpr std::uint16_t kDcLinkVoltage = 36;
inline constexpr std::uint16_t kRegenerativeOverload = 38;
inline constexpr std::uint16_t kSingleTurnDegrees = 40;
inline constexpr std::uint16_t kMultiTurn = 42;
inline constexpr std::uint16_t kDriveTemperature = 44;
inline constexpr std::uint16_t kRatedSpeed = 46;
inline constexpr std::uint16_t kMaximumSpeed = 48;
inline constexpr std::uint16_t kRatedCurrent = 50;
inline constexpr std::uint16_t kUPhaseOffset = 52;
inline constexpr std::uint16_t kVPhaseOffset = 54;
inline constexpr std::uint16_t kRatedTorque = 56; // 0.01 N m
inline constexpr std::uint16_t kServoState = 58;
inline constexpr std::uint16_t kAlarmCode = 60;
inline constexpr std::uint16_t kFpgaVersion = 64;
inline constexpr std::uint16_t kBatteryVoltage = 66; // 0.1 V
inline constexpr std::uint16_t kAnalogSpeed = 68;
inline constexpr std::uint16_t kAnalogTorque = 70;
inline constexpr std::uint16_t kMotorTemperature = 72;
} // namespace status_group

inline constexpr std::uint16_t kAlarmCommand = 274;  // 1 reset, 2 clear history, 3 latch history
inline constexpr std::uint16_t kAlarmHistory = 278;  // 10 registers of codes, two per register
inline constexpr std::uint16_t kAlarmHistoryBlockLast = 316;
inline constexpr std::uint16_t kTuningCommand = 300; // 1 start, 4 stop/acknowledge; low byte = running
inline constexpr std::uint16_t kTuningSpeedLevel = 304;
inline constexpr std::uint16_t kTuningDistanceLevel = 306;
inline constexpr std::uint16_t kParameterLock = 442; // 2 lock, 1 unlock

inline constexpr std::uint16_t kAlarmRecordState = 1000; // arming block 1000..1010
inline constexpr std::uint16_t kAlarmRecordStart = 1012;
inline constexpr std::uint16_t kAlarmRecordData = 1048; // + 256 per channel, 128 registers each
inline constexpr std::uint16_t kTriggerState = 1014;
inline constexpr std::uint16_t kTriggerSetup = 1016; // period, ch1..4, source, edge, position, level
inline constexpr std::uint16_t kTriggerStart = 1034;
inline constexpr std::uint16_t kTraceControl = 1036; // set-up block 1036..1046
inline constexpr std::uint16_t kTriggerData = 2072;  // + 512 per channel, 256 registers each
inline constexpr std::uint16_t kCaptureLast = 4118;

inline constexpr std::uint16_t kInputs = 4160;
inline constexpr std::uint16_t kInputsAux = 4162;
inline constexpr std::uint16_t kOutputs = 4164;
inline constexpr std::uint16_t kFirmwareText12 = 4174;
inline constexpr std::uint16_t kFirmwareText34 = 4176;
inline constexpr std::uint16_t kOperationCommand = 4182; // 1 servo on, 2 fwd, 4 rev, 6 servo off
inline constexpr std::uint16_t kProgramJogCommand = 4184; // 1 start, 0 stop

// Bits of the input and output words.
enum InputBit : std::uint16_t {
    kInPot = 1u << 0,
    kInNot = 1u << 1,
    kInHome = 1u << 2,
    kInPcon = 1u << 3,
    kInGain2 = 1u << 4,
    kInAlarmReset = 1u << 5,
};
enum OutputBit : std::uint16_t {
    kOutAlarm = 1u << 0,
    kOutReady = 1u << 1,
    kOutZeroSpeed = 1u << 2,
    kOutBrake = 1u << 3,
    kOutInPosition = 1u << 4,
    kOutInSpeed = 1u << 5,
    kOutWarning = 1u << 6,
};

} // namespace vq::sim::reg
