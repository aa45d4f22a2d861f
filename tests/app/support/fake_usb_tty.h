// A USB serial adapter as sysfs shows it, in a made-up sysfs: the tty's
// class entry points at the interface of a USB device, and a driver serves
// it. What the port list, the adapter notes and the upgrader read of a real
// adapter.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace tarvex::test {

// Adds tty `name` served by `driver` below `root` (the sysfs root); the USB
// device is `usbDevice` (default "usb-NAME") with `vendor` as its idVendor
// when given. Returns the USB device's folder, for its other attributes.
inline std::filesystem::path plugUsbTty(const std::filesystem::path &root, const std::string &name,
                                        const std::string &driver, const std::string &vendor = {},
                                        std::string usbDevice = {})
{
    namespace fs = std::filesystem;
    if (usbDevice.empty())
        usbDevice = "usb-" + name;
    const fs::path device = root / "devices" / usbDevice;
    const fs::path port = device / (fs::path(usbDevice).filename().string() + ":1.0") / name;
    fs::create_directories(port);
    if (!vendor.empty())
        std::ofstream(device / "idVendor") << vendor << "\n";
    const fs::path driverDir = root / "bus" / "usb-serial" / "drivers" / driver;
    fs::create_directories(driverDir);
    if (!fs::exists(port / "driver"))
        fs::create_symlink(driverDir, port / "driver");
    fs::create_directories(root / "class" / "tty" / name);
    fs::create_symlink(port, root / "class" / "tty" / name / "device");
    return device;
}

} // namespace tarvex::test
