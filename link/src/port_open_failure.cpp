#include "link/port_open_failure.h"

#include "link/network_address.h"

#include <cerrno>
#include <system_error>

namespace tarvex {

bool isRefusedDevice(int error) { return error == EACCES || error == EPERM; }

std::string portOpenFailureText(const std::string &port, int error)
{
    if (error == 0)
        return {};
    if (vq::link::isNetworkDevice(port)) {
        // The system's words for a socket error say little about a server.
        switch (error) {
        case ENXIO: return port + ": the host name is not known";
        case EINVAL: return port + ": not an address of the form HOST:PORT with a TCP port 1 to 65535";
        case ETIMEDOUT: return port + ": the server did not answer in time";
        case EPROTONOSUPPORT:
            return port + ": the server does not take the COM port option (RFC 2217); set its port to "
                          "telnet with RFC 2217, or use tcp:// with the rate set on the server";
        default: break;
        }
    }
    std::string detail = port + ": " + std::error_code(error, std::generic_category()).message();
    if (isRefusedDevice(error))
        detail += ". Serial devices belong to the group dialout: join it with "
                  "\"sudo adduser $USER dialout\", then log out and log in again.";
    return detail;
}

} // namespace tarvex
