// Finding serial devices on this machine: the drive's USB serial adapter (a
// tty whose USB driver is pl2303, vendor 067b) through sysfs, and the list of
// serial devices a user may pick from. Shared by the main program and the
// firmware upgrader.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vq::serial {

struct SysfsLayout {
    std::string sysRoot = "/sys"; // tests point this at a fake tree
    std::string devRoot = "/dev";
};

// Outcome of the adapter search: the class directory could not be read at
// all, or it was read and held (or did not hold) an adapter.
struct AdapterSearch {
    bool readable = false;
    std::optional<std::string> device; // e.g. /dev/ttyUSB0; the last match in name order wins
};

AdapterSearch findUsbSerialAdapter(const SysfsLayout &layout = {});

// Serial devices present, for a port chooser: USB adapters, ACM devices,
// on-board ports that have hardware behind them, and the virtual drive's
// fixed link when it exists.
std::vector<std::string> listSerialDevices(const SysfsLayout &layout = {});

// The fixed path under which the virtual drive publishes its terminal.
inline constexpr const char *kVirtualDriveLink = "/tmp/ttyM9A";

} // namespace vq::serial
