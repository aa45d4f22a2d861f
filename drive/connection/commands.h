// The menu and toolbar commands with the rules that enable them. The rules
// read only the frame's two state words and the active feature, so they are
// evaluated afresh after every change of any of them.
#pragma once

#include <array>
#include <cstdint>

namespace tarvex {

enum class Command : int {
    New = 57600,
    Exit = 32771,
    CommunicationSetting = 32772,
    Connect = 32773,
    Disconnect = 32774,
    ParameterEditing = 32776,
    TriggerMonitoring = 32777,
    Start = 32779,
    Stop = 32790,
    DataTrace = 32780,
    ManualJog = 32781,
    GainAutoTuning = 32782,
    ProgramJog = 32814,
    AlarmTrace = 32783,
    AlarmHistory = 32784,
    AlarmReset = 32809,
    UserManual = 32785,
    About = 32786,
    OsUpgrade = 32808,
};

inline constexpr std::array<Command, 19> kAllCommands{
    Command::New,           Command::Exit,         Command::CommunicationSetting,
    Command::Connect,       Command::Disconnect,   Command::ParameterEditing,
    Command::TriggerMonitoring, Command::Start,    Command::Stop,
    Command::DataTrace,     Command::ManualJog,    Command::GainAutoTuning,
    Command::ProgramJog,    Command::AlarmTrace,   Command::AlarmHistory,
    Command::AlarmReset,    Command::UserManual,   Command::About,
    Command::OsUpgrade};

// Active feature codes.
namespace feature_code {
inline constexpr std::int32_t kNone = 0;
inline constexpr std::int32_t kParameters = 4;
inline constexpr std::int32_t kTriggerGraph = 6;
inline constexpr std::int32_t kTraceGraph = 7;
inline constexpr std::int32_t kAutoTuning = 10;
inline constexpr std::int32_t kJog = 11;
inline constexpr std::int32_t kAlarmHistory = 12;
inline constexpr std::int32_t kAlarmGraph = 13;
} // namespace feature_code

struct CommandContext {
    std::int32_t connectionState = 0;
    std::int32_t monitorState = 9;
    std::int32_t activeFeature = 0;
};

// The enabling rule of a command (whether its window or tool exists is the
// frame's separate question).
bool ruleAllows(Command command, const CommandContext &context);

} // namespace tarvex
