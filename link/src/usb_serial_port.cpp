#include "usb_serial_port.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace tarvex {

namespace {

constexpr const char *kAdapterDriver = "pl2303";
constexpr const char *kAdapterVendor = "067b";

std::string firstLine(const fs::path &file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// The device behind one tty entry belongs to the adapter when its driver is
// pl2303, or when the USB device two levels up (interface, then device)
// carries the adapter's vendor id.
bool isAdapter(const fs::path &ttyEntry)
{
    std::error_code error;
    const fs::path device = ttyEntry / "device";
    if (!fs::exists(device, error))
        return false;
    const fs::path driver = fs::read_symlink(device / "driver", error);
    if (!error && driver.filename() == kAdapterDriver)
        return true;
    const fs::path resolved = fs::canonical(device, error);
    if (error)
        return false;
    for (const fs::path &candidate : {resolved, resolved.parent_path(),
                                      resolved.parent_path().parent_path()}) {
        const fs::path vendor = candidate / "idVendor";
        if (fs::exists(vendor, error) && firstLine(vendor) == kAdapterVendor)
            return true;
    }
    return false;
}

} // namespace

UsbSerialSearch findUsbSerialAdapter(const std::string &sysfsRoot)
{
    UsbSerialSearch search;
    std::error_code error;
    fs::directory_iterator entries(fs::path(sysfsRoot) / "class" / "tty", error);
    if (error)
        return search;
    search.listReadable = true;

    std::vector<std::string> names;
    for (const fs::directory_entry &entry : entries)
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        // Device names are short; anything else is not a tty the program can open.
        if (name.empty() || name.size() > 64 || name.find('/') != std::string::npos)
            continue;
        if (isAdapter(fs::path(sysfsRoot) / "class" / "tty" / name))
            search.device = "/dev/" + name;
    }
    return search;
}

} // namespace tarvex
