#include "port_open_failure.h"

#include <cerrno>
#include <system_error>

namespace tarvex {

std::string portOpenFailureText(const std::string &port, int error)
{
    if (error == 0)
        return {};
    std::string detail = port + ": " + std::error_code(error, std::generic_category()).message();
    if (error == EACCES || error == EPERM)
        detail += ". Serial devices belong to the group dialout: join it with "
                  "\"sudo adduser $USER dialout\", then log out and log in again.";
    return detail;
}

} // namespace tarvex
