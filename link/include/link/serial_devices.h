// The serial devices worth offering in a port field, each with what the
// system knows of it: the first four on-board ports (COM1 to COM4), every
// USB serial adapter and modem with its stable /dev/serial/by-id name, USB
// vendor and product (ids and names) and kernel driver, and the virtual
// drive's link when it runs. The kernel lists each serial device
// under <sysfs>/class/tty with a link to its device; the USB device sits up
// to three levels above it.
#pragma once

#include "link/virtual_drive_link.h"

#include <string>
#include <vector>

namespace tarvex {

// The USB serial converters recognised by vendor id or driver.
enum class AdapterFamily { None, Ftdi, Cp210x, Ch340, Pl2303, OtherUsb };

struct SerialDevice {
    std::string device;       // the node to open, e.g. /dev/ttyUSB0
    std::string byId;         // its stable name under /dev/serial/by-id, empty when none
    std::string driver;       // kernel driver, e.g. ftdi_sio
    std::string vendorId;     // USB ids, four hexadecimal digits; empty off USB
    std::string productId;
    std::string manufacturer; // as the USB device names itself
    std::string product;
    AdapterFamily family = AdapterFamily::None;

    // One line for a person: the node, then what it is and how to find it again.
    std::string description() const;
};

struct SerialDeviceRoots {
    std::string sysfs = "/sys";
    std::string dev = "/dev";
    std::string virtualDriveLink = tarvex::virtualDriveLink(); // offered only in a private folder
};

// Fills `out` from <sysfs>/class/tty/<name>: driver, USB ids and names,
// family. False when the entry has no device behind it.
bool describeTty(const std::string &sysfsRoot, const std::string &name, SerialDevice &out);

// Names under <sysfs>/class/tty in family and number order (ttyUSB2 before
// ttyUSB10); false when the list cannot be read at all.
bool ttyNames(const std::string &sysfsRoot, std::vector<std::string> &names);

std::vector<SerialDevice> listSerialDevices(const SerialDeviceRoots &roots = {});

// The port a port field names: the node of an offered device whose
// description it shows, else the text itself, without blanks around it.
std::string portFromChoice(const std::string &shown, const std::vector<SerialDevice> &offered);

} // namespace tarvex
