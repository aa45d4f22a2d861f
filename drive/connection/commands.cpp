#include "drive/connection/commands.h"

#include "drive/connection/frame_state.h"

namespace tarvex {

namespace {

// Trace capture and the jogs hold the link in tight loops; the captures and
// tools below would disturb them, as would cyclic monitoring.
bool linkToolsFree(const CommandContext &c)
{
    return c.activeFeature != feature_code::kTraceGraph && c.activeFeature != feature_code::kJog &&
           c.monitorState != monitor_state::kRunning;
}

} // namespace

bool ruleAllows(Command command, const CommandContext &c)
{
    using namespace connection_state;
    // Commands that talk to the drive are offered only while the link is
    // open: before the first Connect they could only fail one by one.
    const bool linked = c.connectionState == kConnected;
    const bool notDisconnected = c.connectionState != kDisconnected;
    switch (command) {
    case Command::New:
    case Command::Exit:
    case Command::ParameterEditing:
    case Command::DataTrace:
    case Command::UserManual:
    case Command::About:
    case Command::OsUpgrade:
        return true;
    case Command::CommunicationSetting:
        return c.connectionState == kNothingChosen || c.connectionState == kSettingsChosen ||
               c.connectionState == kDisconnected;
    case Command::Connect:
        return c.connectionState == kSettingsChosen || c.connectionState == kDisconnected;
    case Command::Disconnect:
        return c.connectionState == kConnected;
    case Command::TriggerMonitoring:
    case Command::AlarmTrace:
        return linkToolsFree(c);
    case Command::Start:
        return c.monitorState == monitor_state::kStopped && linked;
    case Command::Stop:
        return c.monitorState == monitor_state::kRunning && notDisconnected;
    case Command::ManualJog:
    case Command::ProgramJog:
    case Command::AlarmReset:
        return linked;
    case Command::GainAutoTuning:
    case Command::AlarmHistory:
        return linkToolsFree(c) && linked;
    }
    return false;
}

} // namespace tarvex
