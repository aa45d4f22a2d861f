// Control commands typed on the virtual drive's standard input, one per
// line, so that a person can demonstrate faults while a client talks to the
// drive. Every command answers with one line of text.
#pragma once

#include "simulator/src/virtual_drive.h"

#include <string>

namespace vq::sim {

struct ConsoleResult {
    std::string reply;
    bool ok = true;
    bool quit = false;
};

ConsoleResult runConsoleCommand(VirtualDrive &drive, const std::string &line);

// The command list, as shown by "help" and in --help.
const char *consoleHelp();

} // namespace vq::sim
