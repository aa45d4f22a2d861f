// Several drives at once. The link library keeps one link per process, so
// each drive gets a process of its own: m9ctl runs itself once per port,
// and every line the child prints comes out prefixed with its device.
#pragma once

#include "m9ctl/m9ctl_options.h"

#include <cstddef>

namespace m9ctl {

inline constexpr std::size_t kMostDrives = 64;

// Runs `invocation` on every port in parallel; returns the worst exit code.
int runOnEveryPort(const Invocation &invocation);

} // namespace m9ctl
