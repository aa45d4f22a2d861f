// The drive's alarm codes and how its history block holds them: twenty
// one-byte codes, two per register, the low byte first; entry 0 is the most
// recent alarm and code 0 marks an empty slot.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex::alarms {

inline constexpr int kHistoryEntries = 20;
inline constexpr std::uint16_t kAlarmCommandRegister = 274;
inline constexpr std::uint16_t kAlarmHistoryRegister = 278;
inline constexpr std::uint16_t kCommandReset = 1;
inline constexpr std::uint16_t kCommandClearHistory = 2;
inline constexpr std::uint16_t kCommandLatchHistory = 3;

using AlarmHistory = std::array<std::uint16_t, kHistoryEntries>;

// The alarm's name, empty for a code the table does not know.
std::string_view alarmName(std::uint16_t code);

// "AL - %02x" of the code.
std::string alarmNumberText(std::uint16_t code);

// What to do about an active alarm, in a sentence.
std::string_view alarmRemedy(std::uint16_t code);

// "AL - 21 Continuous Overload" (the name left out for an unknown code).
std::string activeAlarmText(std::uint16_t code);

// Decodes the first 20 bytes of the history block (wire order, registers
// high byte first): entry 2k is register k's low byte, entry 2k+1 its high byte.
AlarmHistory decodeHistory(const std::uint8_t *block, std::size_t length);

} // namespace tarvex::alarms
