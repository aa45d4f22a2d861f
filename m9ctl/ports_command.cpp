#include "m9ctl/commands.h"

#include "m9ctl/exit_codes.h"
#include "m9ctl/json_text.h"
#include "drive/connection/adapter_doctor.h"
#include "link/serial_devices.h"
#include "link/usb_serial_port.h"

#include <algorithm>
#include <cstdio>

namespace m9ctl {

int runPorts(const std::vector<std::string> &argsIn)
{
    CommandArgs args(argsIn);
    const bool json = args.flag("--json");
    if (!args.words().empty())
        return usageError("ports: unexpected \"" + args.words().front() + "\"");
    const tarvex::UsbSerialSearch adapter = tarvex::findUsbSerialAdapter("/sys");
    const std::vector<tarvex::SerialDevice> devices = tarvex::listSerialDevices();
    // Every device but the virtual drive's link, whose holder is the virtual drive itself.
    std::vector<std::string> examined;
    for (const tarvex::SerialDevice &device : devices)
        if (device.device != tarvex::virtualDriveLink())
            examined.push_back(device.device);
    const std::vector<tarvex::AdapterCheckup> checkups = tarvex::examineAdapters(examined);
    std::vector<std::string> items;
    for (const tarvex::SerialDevice &device : devices) {
        const auto checkup = std::find_if(checkups.begin(), checkups.end(), [&](const tarvex::AdapterCheckup &c) {
            return c.device == device.device;
        });
        std::vector<std::string> notes;
        if (checkup != checkups.end())
            for (const tarvex::AdapterFinding &finding : checkup->findings())
                notes.push_back(finding.line());
        // The adapter the main program would pick (the drive's PL2303 cable).
        const bool cable = adapter.device && *adapter.device == device.device;
        // The node first, then what it is and its stable name.
        const std::string description = device.device == tarvex::virtualDriveLink()
                                            ? device.device + ": virtual drive"
                                            : device.description();
        if (json) {
            std::vector<std::string> holders;
            std::vector<std::string> noteItems;
            std::string latency = "null";
            std::string mayOpen = "null";
            if (checkup != checkups.end()) {
                for (const tarvex::DeviceHolder &holder : checkup->holders)
                    holders.push_back(jsonObject({{"name", jsonString(holder.name)},
                                                  {"pid", std::to_string(holder.pid)},
                                                  {"certain", holder.certain ? "true" : "false"}}));
                if (checkup->latencyTimerMs)
                    latency = std::to_string(*checkup->latencyTimerMs);
                if (checkup->access == tarvex::DeviceAccess::Allowed ||
                    checkup->access == tarvex::DeviceAccess::Refused)
                    mayOpen = checkup->access == tarvex::DeviceAccess::Allowed ? "true" : "false";
            }
            for (const std::string &note : notes)
                noteItems.push_back(jsonString(note));
            items.push_back(jsonObject({{"device", jsonString(device.device)},
                                        {"description", jsonString(description)},
                                        {"byId", jsonString(device.byId)},
                                        {"driver", jsonString(device.driver)},
                                        {"usb", jsonString(device.vendorId.empty() ? ""
                                                                                   : device.vendorId + ":" + device.productId)},
                                        {"pl2303", cable ? "true" : "false"},
                                        {"latencyTimer", latency},
                                        {"holders", jsonArray(holders)},
                                        {"mayOpen", mayOpen},
                                        {"notes", jsonArray(noteItems)}}));
        } else {
            std::printf("%s%s\n", cable ? "* " : "  ", description.c_str());
            // What stands between the user and the device, indented under it.
            for (const std::string &note : notes)
                std::printf("    %s\n", note.c_str());
        }
    }
    if (json)
        std::printf("%s\n", jsonArray(items).c_str());
    return kDone;
}

} // namespace m9ctl
