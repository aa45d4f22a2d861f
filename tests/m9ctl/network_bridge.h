// Serial device servers for the tests: Debian's socat or ser2net started
// on a free loopback port in front of a virtual drive's pseudo-terminal,
// stopped (killed) when the bridge object goes.
#pragma once

#include "tests/m9ctl/program_run.h"

#include <memory>
#include <string>

namespace m9test {

class NetworkBridge {
public:
    enum class Kind {
        SocatRaw,       // raw bytes, the line at a fixed rate
        Ser2netRfc2217, // telnet with the COM port option, the line at `baud` until a client sets it
    };
    // Starts the bridge and waits until it listens; `scratch` holds its
    // configuration. started() tells whether it came up.
    NetworkBridge(Kind kind, const std::string &ptyDevice, unsigned baud, const std::string &scratch);
    ~NetworkBridge();
    NetworkBridge(const NetworkBridge &) = delete;
    NetworkBridge &operator=(const NetworkBridge &) = delete;

    bool started() const { return listening_; }
    // "tcp://127.0.0.1:PORT" or "rfc2217://127.0.0.1:PORT".
    std::string address() const;
    // Ends the bridge at once (SIGKILL): its connections drop as they are.
    void kill();

private:
    Kind kind_;
    int port_ = 0;
    bool listening_ = false;
    std::unique_ptr<RunningProgram> program_;
};

// A TCP port on 127.0.0.1 that nothing listens on just now.
int freeLoopbackPort();
// Whether something listens on 127.0.0.1:port (asked of /proc, so that no
// test connection takes a one-connection bridge's only client).
bool listensOn(int port);

} // namespace m9test
