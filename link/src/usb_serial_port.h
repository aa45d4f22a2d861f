// Finding the drive's USB serial adapter. The service cable carries a
// PL2303 converter (USB vendor 067b); the kernel lists each serial device
// under <sysfs>/class/tty with a link to its device, whose driver (or the
// USB device above the interface) tells whether it is that converter.
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
