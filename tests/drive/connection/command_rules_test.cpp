// The enabling rules of the command table, state by state.
#include "drive/connection/command_reasons.h"
#include "drive/connection/commands.h"
#include "drive/connection/frame_state.h"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

using namespace connection_state;
using namespace monitor_state;

CommandContext at(std::int32_t connection, std::int32_t monitor = kStopped, std::int32_t feature = 0)
{
    return {connection, monitor, feature};
}

TEST(CommandRules, AlwaysAvailableCommands)
{
    for (Command c : {Command::New, Command::Exit, Command::ParameterEditing, Command::DataTrace,
                      Command::UserManual, Command::About, Command::OsUpgrade})
        for (std::int32_t connection : {0, 1, 2, 3})
            EXPECT_TRUE(ruleAllows(c, at(connection, kRunning, feature_code::kJog)));
}

TEST(CommandRules, ConnectWaitsForTheSettingDialog)
{
    EXPECT_FALSE(ruleAllows(Command::Connect, at(kNothingChosen)));
    EXPECT_TRUE(ruleAllows(Command::Connect, at(kSettingsChosen)));
    EXPECT_FALSE(ruleAllows(Command::Connect, at(kConnected)));
    EXPECT_TRUE(ruleAllows(Command::Connect, at(kDisconnected)));
}

TEST(CommandRules, SettingAndDisconnectFollowTheLink)
{
    EXPECT_TRUE(ruleAllows(Command::CommunicationSetting, at(kNothingChosen)));
    EXPECT_TRUE(ruleAllows(Command::CommunicationSetting, at(kSettingsChosen)));
    EXPECT_FALSE(ruleAllows(Command::CommunicationSetting, at(kConnected)));
    EXPECT_TRUE(ruleAllows(Command::CommunicationSetting, at(kDisconnected)));
    EXPECT_TRUE(ruleAllows(Command::Disconnect, at(kConnected)));
    for (std::int32_t other : {kNothingChosen, kSettingsChosen, kDisconnected})
        EXPECT_FALSE(ruleAllows(Command::Disconnect, at(other)));
}

TEST(CommandRules, StartAndStopAlternateUntilDisconnected)
{
    EXPECT_TRUE(ruleAllows(Command::Start, at(kConnected, kStopped)));
    EXPECT_FALSE(ruleAllows(Command::Stop, at(kConnected, kStopped)));
    EXPECT_FALSE(ruleAllows(Command::Start, at(kConnected, kRunning)));
    EXPECT_TRUE(ruleAllows(Command::Stop, at(kConnected, kRunning)));
    EXPECT_FALSE(ruleAllows(Command::Start, at(kDisconnected, kStopped)));
    EXPECT_FALSE(ruleAllows(Command::Stop, at(kDisconnected, kRunning)));
    // Before the first Connect there is nothing to monitor either.
    EXPECT_FALSE(ruleAllows(Command::Start, at(kNothingChosen, kStopped)));
    EXPECT_FALSE(ruleAllows(Command::Start, at(kSettingsChosen, kStopped)));
}

TEST(CommandRules, TraceAndJogGreyTheCapturesAndTools)
{
    for (std::int32_t feature : {feature_code::kTraceGraph, feature_code::kJog}) {
        for (Command c : {Command::TriggerMonitoring, Command::AlarmTrace, Command::GainAutoTuning,
                          Command::AlarmHistory})
            EXPECT_FALSE(ruleAllows(c, at(kConnected, kStopped, feature))) << static_cast<int>(c);
    }
    for (Command c : {Command::TriggerMonitoring, Command::AlarmTrace, Command::GainAutoTuning,
                      Command::AlarmHistory})
        EXPECT_TRUE(ruleAllows(c, at(kConnected, kStopped, feature_code::kParameters)));
}

TEST(CommandRules, MonitoringGreysTheCapturesAndTools)
{
    for (Command c : {Command::TriggerMonitoring, Command::AlarmTrace, Command::GainAutoTuning,
                      Command::AlarmHistory})
        EXPECT_FALSE(ruleAllows(c, at(kConnected, kRunning)));
    EXPECT_TRUE(ruleAllows(Command::ManualJog, at(kConnected, kRunning)));
}

TEST(CommandRules, WithoutAnOpenLinkTheDriveToolsAreGreyed)
{
    // The capture windows still open without a link: they show saved files.
    for (std::int32_t connection : {kNothingChosen, kSettingsChosen, kDisconnected}) {
        for (Command c : {Command::ManualJog, Command::ProgramJog, Command::AlarmReset,
                          Command::GainAutoTuning, Command::AlarmHistory})
            EXPECT_FALSE(ruleAllows(c, at(connection))) << static_cast<int>(c) << " at " << connection;
        for (Command c : {Command::TriggerMonitoring, Command::AlarmTrace})
            EXPECT_TRUE(ruleAllows(c, at(connection))) << static_cast<int>(c) << " at " << connection;
    }
}

TEST(CommandReasons, EveryGreyedCommandSaysWhyAndNoEnabledOneDoes)
{
    for (Command c : kAllCommands)
        for (std::int32_t connection : {kNothingChosen, kConnected, kSettingsChosen, kDisconnected})
            for (std::int32_t monitor : {kRunning, kStopped})
                for (std::int32_t feature : {feature_code::kNone, feature_code::kTraceGraph, feature_code::kJog,
                                             feature_code::kParameters}) {
                    const CommandContext context = at(connection, monitor, feature);
                    EXPECT_EQ(disabledReason(c, context).empty(), ruleAllows(c, context))
                        << static_cast<int>(c) << " at " << connection << "/" << monitor << "/" << feature;
                }
}

TEST(CommandReasons, TheReasonNamesWhatToDoFirst)
{
    EXPECT_EQ(disabledReason(Command::Connect, at(kNothingChosen)), "Choose the port first (Communication Setting)");
    EXPECT_EQ(disabledReason(Command::Connect, at(kConnected)), "Already connected");
    EXPECT_EQ(disabledReason(Command::CommunicationSetting, at(kConnected)), "Disconnect first");
    EXPECT_EQ(disabledReason(Command::Disconnect, at(kDisconnected)), "Not connected");
    EXPECT_EQ(disabledReason(Command::ManualJog, at(kDisconnected)), kNeedsConnection);
    EXPECT_EQ(disabledReason(Command::AlarmReset, at(kNothingChosen)), kNeedsConnection);
    EXPECT_EQ(disabledReason(Command::Start, at(kConnected, kRunning)), "Monitoring already runs");
    EXPECT_EQ(disabledReason(Command::Stop, at(kConnected)), "Monitoring is not running");
    EXPECT_EQ(disabledReason(Command::AlarmHistory, at(kConnected, kRunning)), "Stop monitoring first");
    EXPECT_EQ(disabledReason(Command::TriggerMonitoring, at(kConnected, kStopped, feature_code::kTraceGraph)),
              "Close Data Trace first");
    EXPECT_EQ(disabledReason(Command::GainAutoTuning, at(kConnected, kStopped, feature_code::kJog)),
              "Close the jog window first");
    // Monitoring is what the user can end from the frame: it is named first.
    EXPECT_EQ(disabledReason(Command::GainAutoTuning, at(kDisconnected, kRunning)), "Stop monitoring first");
}

} // namespace
} // namespace tarvex
