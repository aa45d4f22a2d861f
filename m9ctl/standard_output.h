// Results go to standard output, and a script that reads them must learn
// when they did not arrive (a full disk, a device that takes nothing).
#pragma once

namespace m9ctl {

// Flushes standard output; false when anything printed so far was lost,
// said once on standard error.
bool standardOutputHolds();
// `code`, or the file error when standard output lost what was printed.
int withStandardOutput(int code);

} // namespace m9ctl
