// Why a serial adapter that is plugged in may still not serve the drive,
// with the one shell line that mends each cause: a latency timer above
// 1 ms (the adapter then sits on every reply), a process that holds the
// device (a braille display daemon or a modem manager takes USB serial
// adapters as they appear), and whether this user may open the device at
// all. Only sysfs, /proc, udev's records and the device's permissions are
// read, never the device itself, so a check disturbs nothing; the roots are
// replaceable so that a made-up tree can stand in for the system's.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvex {

struct DoctorRoots {
    std::string sysfs = "/sys";
    std::string proc = "/proc";
    std::string udev = "/run/udev"; // what udev recorded of each device
    // The process whose own descriptors do not count (it holds the port it
    // is connected through); 0 means this process.
    long ownPid = 0;
};

struct DeviceHolder {
    std::string name; // the process's name, as the kernel keeps it
    long pid = 0;
    // False: a process known to take adapters runs, but its open files are
    // hidden from this user, so it may hold the device or may not.
    bool certain = true;

    bool operator==(const DeviceHolder &) const = default;
};

enum class DeviceAccess { Allowed, Refused, Missing, Unknown };

// One line of the check: what was found and, when it needs mending, the
// shell line that mends it.
struct AdapterFinding {
    std::string text;
    std::string remedy;

    // "text; remedy: command", or the text alone.
    std::string line() const;
};

struct AdapterCheckup {
    std::string device;     // as asked, e.g. /dev/ttyM9-0
    std::string kernelName; // of the node it leads to, e.g. ttyUSB0
    std::optional<int> latencyTimerMs; // where the adapter's driver has one
    std::vector<DeviceHolder> holders;
    DeviceAccess access = DeviceAccess::Unknown;
    int accessError = 0; // errno of the access check when it is Unknown
    std::string sysfsRoot; // for the latency remedy's path
    // A pseudo-terminal, such as the virtual drive's link: the virtual
    // drive keeps it open to serve it, which is no fault.
    bool pseudoTerminal = false;

    // In this order: latency timer, holders, access.
    std::vector<AdapterFinding> findings() const;
};

// Checks every device with one pass over the process table.
std::vector<AdapterCheckup> examineAdapters(const std::vector<std::string> &devices,
                                            const DoctorRoots &roots = {});
AdapterCheckup examineAdapter(const std::string &device, const DoctorRoots &roots = {});

} // namespace tarvex
