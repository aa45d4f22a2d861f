#include "m9ctl/commands.h"

#include "m9ctl/exit_codes.h"
#include "m9ctl/json_text.h"
#include "link/serial_devices.h"
#include "link/usb_serial_port.h"

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
    for (const tarvex::SerialDevice &device : tarvex::listSerialDevices()) {
        // The adapter the main program would pick (the drive's PL2303 cable).
        const bool cable = adapter.device && *adapter.device == device.device;
        // The node first, then what it is and its stable name.
        const std::string description = device.device == tarvex::virtualDriveLink()
                                            ? device.device + ": virtual drive"
                                            : device.description();
        if (json)
            items.push_back(jsonObject({{"device", jsonString(device.device)},
                                        {"description", jsonString(description)},
                                        {"byId", jsonString(device.byId)},
                                        {"driver", jsonString(device.driver)},
                                        {"usb", jsonString(device.vendorId.empty() ? ""
                                                                                   : device.vendorId + ":" + device.productId)},
                                        {"pl2303", cable ? "true" : "false"}}));
        else
            std::printf("%s%s\n", cable ? "* " : "  ", description.c_str());
    }
    if (json)
        std::printf("%s\n", jsonArray(items).c_str());
    return kDone;
}

} // namespace m9ctl
