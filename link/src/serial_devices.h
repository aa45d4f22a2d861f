// The serial devices worth offering in the port field: the first four
// on-board ports (COM1 to COM4), USB serial adapters and modems, and the
// virtual drive's fixed link when it runs.
#pragma once

#include <string>
#include <vector>

namespace tarvex {

inline constexpr const char *kVirtualDriveLink = "/tmp/ttyM9A";

std::vector<std::string> presentSerialDevices(const std::string &devRoot = "/dev",
                                              const std::string &virtualDriveLink =
                                                  kVirtualDriveLink);

} // namespace tarvex
