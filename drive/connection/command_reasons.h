// Why the enabling rules grey a command, in the words its tooltip and status
// tip show, so that a greyed command tells the user what to do first.
#pragma once

#include "drive/connection/commands.h"

#include <string>

namespace tarvex {

inline constexpr const char *kNeedsConnection = "Needs a connection to the drive";

// Empty exactly when ruleAllows(command, context) holds.
std::string disabledReason(Command command, const CommandContext &context);

} // namespace tarvex
