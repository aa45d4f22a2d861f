// Why a serial port could not be opened, in words a user can act on: the
// system's reason, and for a refused device what to do about it. The main
// program and the upgrader both say it.
#pragma once

#include <string>

namespace tarvex {

// The device exists but this user may not open it.
bool isRefusedDevice(int error);

// Empty when the error is 0 (no system reason known).
std::string portOpenFailureText(const std::string &port, int error);

} // namespace tarvex
