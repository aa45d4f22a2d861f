#include "tests/m9ctl/network_bridge.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace m9test {

int freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool listensOn(int port)
{
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, localAddress, remote, state;
        fields >> slot >> localAddress >> remote >> state;
        if (localAddress == local && state == "0A")
            return true;
    }
    return false;
}

NetworkBridge::NetworkBridge(Kind kind, const std::string &ptyDevice, unsigned baud, const std::string &scratch)
    : kind_(kind), port_(freeLoopbackPort())
{
    const std::string rate = std::to_string(baud);
    if (kind == Kind::SocatRaw) {
        program_ = std::make_unique<RunningProgram>(
            "/usr/bin/socat",
            std::vector<std::string>{"TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr",
                                     "FILE:" + ptyDevice + ",rawer,b" + rate},
            scratch);
    } else {
        const std::string config = scratch + "/ser2net.yaml";
        std::ofstream(config) << "%YAML 1.1\n---\n"
                              << "connection: &drive\n"
                              << "  accepter: telnet(rfc2217),tcp,127.0.0.1," << port_ << "\n"
                              << "  enable: on\n"
                              << "  connector: serialdev," << ptyDevice << "," << rate << "n81,local\n";
        program_ = std::make_unique<RunningProgram>(
            "/usr/sbin/ser2net", std::vector<std::string>{"-n", "-d", "-c", config, "-P", scratch + "/ser2net.pid"},
            scratch);
    }
    // Generous: a loaded machine may take long to start a program.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (port_ != 0 && !listening_ && std::chrono::steady_clock::now() < deadline) {
        listening_ = listensOn(port_);
        if (!listening_)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

NetworkBridge::~NetworkBridge() { kill(); }

std::string NetworkBridge::address() const
{
    return (kind_ == Kind::SocatRaw ? "tcp://127.0.0.1:" : "rfc2217://127.0.0.1:") + std::to_string(port_);
}

void NetworkBridge::kill()
{
    program_.reset(); // SIGKILL and wait
}

} // namespace m9test
