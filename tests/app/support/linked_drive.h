// A drive connection bound to the real link library and set to talk to a
// device (the virtual drive's or a scripted drive's pseudo-terminal) at a
// given rate, as the Communication Setting dialog would leave it. The
// feature windows' tests connect it and open their windows on it.
#pragma once

#include "drive/connection/drive_connection.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/virtual_drive_session.h"

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

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
// What the feature windows' tests open their windows on: a virtual drive
// started into `sim`, a connection to it at `baud` in `drive`, connected
// unless told not to, and the messages of the connecting forgotten.
inline ::testing::AssertionResult openLinkedVirtualDrive(std::unique_ptr<VirtualDrive> &sim,
                                                         std::unique_ptr<DriveConnection> &drive, FrameState &frame,
                                                         RecordingMessages &messages, std::uint32_t baud,
                                                         bool paced = false, bool connect = true)
{
    sim = startVirtualDrive(paced);
    if (!sim)
        return ::testing::AssertionFailure() << "the virtual drive did not start";
    drive = linkedDriveConnection(sim->devicePath(), frame, messages, baud);
    if (connect) {
        drive->Connect();
        if (!drive->isLinkOpen())
            return ::testing::AssertionFailure() << "the link to the virtual drive did not open";
    }
    messages.clear();
    return ::testing::AssertionSuccess();
}
#endif

} // namespace tarvex::test
