#include "link/serial_devices.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
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

// The first line of a small sysfs attribute, printable characters only and
// bounded, so that a strange device cannot fill the port list.
std::string attribute(const fs::path &file)
{
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line))
        return {};
    line.resize(std::min<std::size_t>(line.size(), 64));
    std::string clean;
    for (char c : line)
        if (std::isprint(static_cast<unsigned char>(c)))
            clean += c;
    while (!clean.empty() && clean.back() == ' ')
        clean.pop_back();
    return clean;
}

std::string lowerCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

AdapterFamily familyOf(const std::string &vendorId, const std::string &driver)
{
    static const std::map<std::string, AdapterFamily> byVendor = {
        {"0403", AdapterFamily::Ftdi}, {"10c4", AdapterFamily::Cp210x},
        {"1a86", AdapterFamily::Ch340}, {"067b", AdapterFamily::Pl2303}};
    static const std::map<std::string, AdapterFamily> byDriver = {
        {"ftdi_sio", AdapterFamily::Ftdi}, {"cp210x", AdapterFamily::Cp210x},
        {"ch341", AdapterFamily::Ch340}, {"ch341-uart", AdapterFamily::Ch340},
        {"pl2303", AdapterFamily::Pl2303}};
    // The driver tells the converter even behind another vendor's id.
    if (const auto d = byDriver.find(driver); d != byDriver.end())
        return d->second;
    if (const auto v = byVendor.find(lowerCase(vendorId)); v != byVendor.end())
        return v->second;
    return vendorId.empty() ? AdapterFamily::None : AdapterFamily::OtherUsb;
}

const char *familyName(AdapterFamily family)
{
    switch (family) {
    case AdapterFamily::Ftdi: return "FTDI";
    case AdapterFamily::Cp210x: return "Silicon Labs CP210x";
    case AdapterFamily::Ch340: return "WCH CH340";
    case AdapterFamily::Pl2303: return "Prolific PL2303";
    case AdapterFamily::OtherUsb: return "USB serial device";
    case AdapterFamily::None: break;
    }
    return "";
}

bool validName(const std::string &name)
{
    return !name.empty() && name.size() <= 64 && name.find('/') == std::string::npos;
}

// The by-id names, keyed by the node they lead to.
std::map<std::string, std::string> stableNames(const std::string &devRoot)
{
    std::map<std::string, std::string> names;
    std::error_code error;
    const fs::path dir = fs::path(devRoot) / "serial" / "by-id";
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (!linkError && validName(target.filename().string()))
            names.emplace(target.filename().string(), it->path().string());
    }
    return names;
}

} // namespace

std::string SerialDevice::description() const
{
    // "<node>: <maker> <product> [vid:pid], driver <name>, <by-id name>",
    // leaving out whatever the system does not tell.
    std::string what = manufacturer.empty() ? familyName(family) : manufacturer;
    if (!product.empty())
        what += (what.empty() ? "" : " ") + product;
    if (!vendorId.empty())
        what += (what.empty() ? "[" : " [") + vendorId + (productId.empty() ? "" : ":" + productId) + "]";
    std::vector<std::string> parts;
    if (!what.empty())
        parts.push_back(what);
    if (!driver.empty())
        parts.push_back((what.empty() && family == AdapterFamily::None ? "serial port, driver " : "driver ") +
                        driver);
    if (!byId.empty())
        parts.push_back(byId);
    std::string text = device;
    for (std::size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? ": " : ", ") + parts[i];
    return text;
}

bool describeTty(const std::string &sysfsRoot, const std::string &name, SerialDevice &out)
{
    std::error_code error;
    const fs::path device = fs::path(sysfsRoot) / "class" / "tty" / name / "device";
    if (!validName(name) || !fs::exists(device, error))
        return false;
    out.driver = fs::read_symlink(device / "driver", error).filename().string();
    if (error)
        out.driver.clear();
    const fs::path resolved = fs::canonical(device, error);
    if (!error) {
        fs::path candidate = resolved;
        for (int level = 0; level < 3 && !candidate.empty(); ++level, candidate = candidate.parent_path()) {
            if (!fs::exists(candidate / "idVendor", error))
                continue;
            out.vendorId = attribute(candidate / "idVendor");
            out.productId = attribute(candidate / "idProduct");
            out.manufacturer = attribute(candidate / "manufacturer");
            out.product = attribute(candidate / "product");
            break;
        }
    }
    out.family = familyOf(out.vendorId, out.driver);
    return true;
}

bool ttyNames(const std::string &sysfsRoot, std::vector<std::string> &names)
{
    std::error_code error;
    fs::directory_iterator entries(fs::path(sysfsRoot) / "class" / "tty", error);
    if (error)
        return false;
    for (const fs::directory_entry &entry : entries)
        if (validName(entry.path().filename().string()))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), byFamilyAndNumber);
    return true;
}

std::vector<SerialDevice> listSerialDevices(const SerialDeviceRoots &roots)
{
    std::vector<SerialDevice> found;
    std::error_code error;
    for (int n = 0; n < 4; ++n) {
        const fs::path onBoard = fs::path(roots.dev) / ("ttyS" + std::to_string(n));
        if (fs::exists(onBoard, error)) {
            SerialDevice port;
            port.device = onBoard.string();
            describeTty(roots.sysfs, onBoard.filename().string(), port);
            port.family = AdapterFamily::None; // an on-board port, whatever its driver
            found.push_back(port);
        }
    }

    // USB serial devices as the kernel lists them, and any the device
    // directory holds that the kernel's list did not name.
    std::set<std::string> seen;
    const auto byId = stableNames(roots.dev);
    std::vector<std::string> names;
    ttyNames(roots.sysfs, names);
    for (fs::directory_iterator it(roots.dev, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0)
            names.push_back(name);
    }
    std::stable_sort(names.begin(), names.end(), byFamilyAndNumber);
    for (const std::string &name : names) {
        if (!validName(name) || !seen.insert(name).second)
            continue;
        SerialDevice port;
        port.device = (fs::path(roots.dev) / name).string();
        const bool known = describeTty(roots.sysfs, name, port);
        const bool usbName = name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0;
        if (!usbName && (!known || port.vendorId.empty()))
            continue; // consoles, pseudo-terminals and on-board ports are not offered here
        if (const auto stable = byId.find(name); stable != byId.end())
            port.byId = stable->second;
        found.push_back(port);
    }

    if (!roots.virtualDriveLink.empty() &&
        isPrivateFolder(fs::path(roots.virtualDriveLink).parent_path().string()) &&
        fs::exists(roots.virtualDriveLink, error)) {
        SerialDevice drive;
        drive.device = roots.virtualDriveLink;
        found.push_back(drive);
    }
    return found;
}

std::string portFromChoice(const std::string &shown, const std::vector<SerialDevice> &offered)
{
    const auto first = shown.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const std::string text = shown.substr(first, shown.find_last_not_of(" \t") - first + 1);
    for (const SerialDevice &port : offered)
        if (port.description() == text)
            return port.device;
    return text;
}

} // namespace tarvex
