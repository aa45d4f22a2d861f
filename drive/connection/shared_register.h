// Register 174 is held by two parameters of the drive: "Notch Filter Use"
// (Control) and "Program Jog Time 4" (SpeedOperation). Whatever one of them
// writes, the other reads back. The windows that write one of them ask
// before a write that changes the other.
#pragma once

#include <cstdint>
#include <string>

namespace tarvex::shared_register {

inline constexpr std::uint16_t kNotchUseJogTime4 = 174;
inline constexpr const char *kNotchUseName = "Notch Filter Use";
inline constexpr const char *kJogTime4Name = "Program Jog Time 4";
inline constexpr const char *kQuestionCaption = "Shared Register";

// The question asked before `writing` = `value` goes to register 174 while
// it holds `held`, which `other` reads as its own value.
inline std::string question(const char *writing, std::int64_t value, const char *other, std::int64_t held)
{
    return std::string("Register 174 is both ") + writing + " and " + other + ". Writing " + writing + " = " +
           std::to_string(value) + " changes " + other + " from " + std::to_string(held) + " to " +
           std::to_string(value) + ". Write anyway?";
}

} // namespace tarvex::shared_register
