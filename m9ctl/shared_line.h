// Several drives on one port's line. The link library keeps one link per
// process, and a shared line carries one exchange at a time anyway, so the
// drives are asked one after another over the one open port: the link only
// changes the node address between them.
#pragma once

#include "m9ctl/commands.h"

namespace m9ctl {

// Runs `command` for every node of `invocation` on its one port, each
// node's lines prefixed with "PORT node N: "; returns the worst exit code.
int runOnEveryNode(const Invocation &invocation, DriveCommand command);

} // namespace m9ctl
