// Indices of the trigger window's lists, as a user picks them.
#pragma once

namespace tarvex::test::trigger_lists {

// Channel lists.
inline constexpr int kCurrentSpeed = 1;
inline constexpr int kCurrentTorque = 4;
inline constexpr int kDcLink = 7;
inline constexpr int kSvon = 8;
inline constexpr int kInpos = 16;
// Source list.
inline constexpr int kSourceDcLink = 6;
inline constexpr int kSourceServoOn = 7;
inline constexpr int kSourceAlarm = 15;
inline constexpr int kSourceSpare = 16; // the blank entry: a source that never moves
// Edge list.
inline constexpr int kNegative = 1;

} // namespace tarvex::test::trigger_lists
