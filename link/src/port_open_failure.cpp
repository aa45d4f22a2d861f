#include "link/port_open_failure.h"

#include <cerrno>
#include <system_error>

namespace tarvex {

bool isRefusedDevice(int error) { return error == EACCES || error == EPERM; }

std::string portOpenFailureText(const std::string &port, int error)
{
    if (error == 0)
        return {};
    std::string detail = port + ": " + std::error_code(error, std::generic_category()).message();
    if (isRefusedDevice(error))
        detail += ". Serial devices belong to the group dialout: join it with "
                  "\"sudo adduser $USER dialout\", then log out and log in again.";
    return detail;
}

} // namespace tarvex
