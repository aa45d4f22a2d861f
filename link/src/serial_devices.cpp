#include "serial_devices.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace tarvex {

namespace {

// Numeric order within a family: ttyUSB2 before ttyUSB10.
bool byFamilyAndNumber(const std::string &a, const std::string &b)
{
    const auto split = [](const std::string &name) {
        std::size_t digits = name.size();
        while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9')
            --digits;
        const std::string number = name.substr(digits);
        return std::make_pair(name.substr(0, digits),
                              number.empty() || number.size() > 9 ? 0L : std::stol(number));
    };
    return split(a) < split(b);
}

} // namespace

std::vector<std::string> presentSerialDevices(const std::string &devRoot,
                                              const std::string &virtualDriveLink)
{
    std::vector<std::string> found;
    std::error_code error;
    for (int n = 0; n < 4; ++n) {
        const fs::path onBoard = fs::path(devRoot) / ("ttyS" + std::to_string(n));
        if (fs::exists(onBoard, error))
            found.push_back(onBoard.string());
    }
    std::vector<std::string> usb;
    for (fs::directory_iterator it(devRoot, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0)
            usb.push_back(name);
    }
    std::sort(usb.begin(), usb.end(), byFamilyAndNumber);
    for (const std::string &name : usb)
        found.push_back((fs::path(devRoot) / name).string());
    if (!virtualDriveLink.empty() && fs::exists(virtualDriveLink, error))
        found.push_back(virtualDriveLink);
    return found;
}

} // namespace tarvex
