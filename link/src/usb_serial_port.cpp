#include "link/usb_serial_port.h"

#include "link/serial_devices.h"

#include <vector>

namespace tarvex {

UsbSerialSearch findUsbSerialAdapter(const std::string &sysfsRoot)
{
    UsbSerialSearch search;
    std::vector<std::string> names;
    search.listReadable = ttyNames(sysfsRoot, names);
    for (const std::string &name : names) {
        SerialDevice port;
        if (describeTty(sysfsRoot, name, port) && port.family == AdapterFamily::Pl2303)
            search.device = "/dev/" + name;
    }
    return search;
}

} // namespace tarvex
