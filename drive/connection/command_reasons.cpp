#include "drive/connection/command_reasons.h"

#include "drive/connection/frame_state.h"

namespace tarvex {

namespace {

// The captures and tools that need the link to themselves say which holder
// to end first.
std::string linkHolder(const CommandContext &c)
{
    if (c.monitorState == monitor_state::kRunning)
        return "Stop monitoring first";
    if (c.activeFeature == feature_code::kTraceGraph)
        return "Close Data Trace first";
    if (c.activeFeature == feature_code::kJog)
        return "Close the jog window first";
    return {};
}

} // namespace

std::string disabledReason(Command command, const CommandContext &c)
{
    if (ruleAllows(command, c))
        return {};
    using namespace connection_state;
    const bool disconnected = c.connectionState != kConnected;
    std::string why;
    switch (command) {
    case Command::CommunicationSetting:
        why = "Disconnect first";
        break;
    case Command::Connect:
        why = c.connectionState == kConnected ? "Already connected"
                                              : "Choose the port first (Communication Setting)";
        break;
    case Command::Disconnect:
        why = "Not connected";
        break;
    case Command::Start:
        why = disconnected ? kNeedsConnection : "Monitoring already runs";
        break;
    case Command::Stop:
        why = disconnected ? kNeedsConnection : "Monitoring is not running";
        break;
    case Command::TriggerMonitoring:
    case Command::AlarmTrace:
    case Command::GainAutoTuning:
    case Command::AlarmHistory:
        why = linkHolder(c);
        if (why.empty() && disconnected)
            why = kNeedsConnection;
        break;
    default:
        if (disconnected)
            why = kNeedsConnection;
        break;
    }
    return why.empty() ? "Not available now" : why;
}

} // namespace tarvex
