#include "commands.h"

#include "exit_codes.h"
#include "json_text.h"
#include "serial_devices.h"
#include "usb_serial_port.h"

#include <cstdio>

namespace m9ctl {

int runPorts(const std::vector<std::string> &argsIn)
{
    CommandArgs args(argsIn);
    const bool json = args.flag("--json");
    if (!args.words().empty())
        return usageError("ports: unexpected \"" + args.words().front() + "\"");
    const tarvex::UsbSerialSearch adapter = tarvex::findUsbSerialAdapter("/sys");
    std::vector<std::string> items;
    for (const std::string &device : tarvex::presentSerialDevices()) {
        const bool cable = adapter.device && *adapter.device == device;
        const char *description = cable ? "PL2303 USB serial adapter (the drive's service cable)"
                                  : device == tarvex::kVirtualDriveLink ? "virtual drive"
                                                                        : "serial port";
        if (json)
            items.push_back(jsonObject({{"device", jsonString(device)},
                                        {"description", jsonString(description)},
                                        {"pl2303", cable ? "true" : "false"}}));
        else
            std::printf("%s%s\t%s\n", cable ? "* " : "  ", device.c_str(), description);
    }
    if (json)
        std::printf("%s\n", jsonArray(items).c_str());
    return kDone;
}

} // namespace m9ctl
