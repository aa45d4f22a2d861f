#include "m9ctl/standard_output.h"

#include "m9ctl/console_messages.h"
#include "m9ctl/exit_codes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace m9ctl {

bool standardOutputHolds()
{
    static bool said = false;
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout))
        return true;
    if (!said) {
        // A write that failed earlier has left only the error mark, not its reason.
        const std::string reason = !flushed && error != 0 ? std::string(": ") + std::strerror(error) : std::string();
        warn("cannot write the results to standard output" + reason + "; what was printed is incomplete");
        said = true;
    }
    return false;
}

int withStandardOutput(int code) { return standardOutputHolds() ? code : worse(code, kFileError); }

} // namespace m9ctl
