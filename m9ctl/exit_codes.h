// What m9ctl's exit status tells a script. With several drives the worst
// (highest) code of them all is the program's.
#pragma once

namespace m9ctl {

enum ExitCode : int {
    kDone = 0,
    kDifferent = 1,   // done, but values differ or were not verified
    kUsage = 2,
    kLinkFailure = 3,
    kRefused = 4,     // by the drive or a check: lock, range, servo on
    kFileError = 5,
};

inline int worse(int a, int b) { return a > b ? a : b; }

} // namespace m9ctl
