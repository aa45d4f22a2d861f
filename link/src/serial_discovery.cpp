#include "serial_discovery.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace vq::serial {
namespace fs = std::filesystem;

namespace {

std::string firstLine(const fs::path &file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

bool isProlificPort(const fs::path &ttyEntry)
{
    std::error_code ec;
    const fs::path device = ttyEntry / "device";
    const fs::path driver = fs::read_symlink(device / "driver", ec);
    if (!ec && driver.filename() == "pl2303")
        return true;
    // Otherwise look for the USB device above the port: its vendor id.
    fs::path node = fs::canonical(device, ec);
    if (ec)
        return false;
    for (int up = 0; up < 4 && !node.empty(); ++up, node = node.parent_path()) {
        if (fs::exists(node / "idVendor", ec))
            return firstLine(node / "idVendor") == "067b";
    }
    return false;
}

std::vector<std::string> ttyNames(const SysfsLayout &layout, bool &readable)
{
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(fs::path(layout.sysRoot) / "class" / "tty", ec);
    readable = !ec;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

AdapterSearch findUsbSerialAdapter(const SysfsLayout &layout)
{
    AdapterSearch search;
    const auto names = ttyNames(layout, search.readable);
    const fs::path classDir = fs::path(layout.sysRoot) / "class" / "tty";
    for (const std::string &name : names)
        if (isProlificPort(classDir / name))
            search.device = (fs::path(layout.devRoot) / name).string();
    return search;
}

std::vector<std::string> listSerialDevices(const SysfsLayout &layout)
{
    bool readable = false;
    std::vector<std::string> devices;
    const fs::path classDir = fs::path(layout.sysRoot) / "class" / "tty";
    std::error_code ec;
    for (const std::string &name : ttyNames(layout, readable)) {
        const bool usb = name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
        // On-board ports always have a class entry; only those with a
        // driver behind them (a real UART) are worth offering.
        const bool onBoard = name.rfind("ttyS", 0) == 0 && fs::exists(classDir / name / "device" / "driver", ec);
        if ((usb || onBoard) && fs::exists(fs::path(layout.devRoot) / name, ec))
            devices.push_back((fs::path(layout.devRoot) / name).string());
    }
    if (fs::exists(kVirtualDriveLink, ec))
        devices.emplace_back(kVirtualDriveLink);
    return devices;
}

} // namespace vq::serial
