// Finding the drive's USB serial adapter. The service cable carries a
// PL2303 converter (USB vendor 067b): among the serial devices the system
// lists, the last one of that family in name order is the cable.
#pragma once

#include <optional>
#include <string>

namespace tarvex {

struct UsbSerialSearch {
    bool listReadable = false;         // false: the tty class could not be read at all
    std::optional<std::string> device; // e.g. /dev/ttyUSB0; the last match in name order
};

UsbSerialSearch findUsbSerialAdapter(const std::string &sysfsRoot);

} // namespace tarvex
