// A drive connection bound to the real link library and set to talk to a
// device (the virtual drive's or a scripted drive's pseudo-terminal) at a
// given rate, as the Communication Setting dialog would leave it. The
// feature windows' tests connect it and open their windows on it.
#pragma once

#include "drive_connection.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tarvex::test {

inline std::unique_ptr<DriveConnection> linkedDriveConnection(const std::string &device, FrameState &frame,
                                                              MessageService &messages,
                                                              std::uint32_t baud = 19200,
                                                              DriveTimings timings = {})
{
    auto drive = std::make_unique<DriveConnection>(frame, messages, timings);
    drive->BindLinkLibrary(TARVEX_LINK_LIBRARY);
    drive->storeSettings({0, PortChoice{1, device}, baud});
    drive->InitLink();
    return drive;
}

} // namespace tarvex::test
