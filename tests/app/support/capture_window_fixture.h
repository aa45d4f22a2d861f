// The capture windows' tests (trigger and alarm trace) open their window on a
// connection to the virtual drive over the real link library at 115200 baud,
// read back what the drive holds, and close the window before the
// connection's workers stop.
#pragma once

#include "tests/app/support/linked_drive.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QPointer>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

namespace tarvex::test {

template <class W>
class CaptureWindowFixture : public ::testing::Test {
protected:
    void SetUp() override { TARVEX_NEEDS_VIRTUAL_DRIVE(); }

    void TearDown() override
    {
        delete window.data();
        if (drive)
            drive->StopWorkers({});
    }

    void open(bool connect = true)
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        ASSERT_TRUE(openLinkedVirtualDrive(sim, drive, frame, messages, 115200, false, connect));
        window = new W(drive.get());
#else
        (void)connect;
#endif
    }

    // The register as the drive holds it now.
    std::uint16_t reg(std::uint16_t address)
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        return sim->registerValue(address);
#else
        (void)address;
        return 0;
#endif
    }

    // A channel's ring of N samples as the drive holds it, one sample every
    // second register from `first`.
    template <std::size_t N>
    std::array<std::int16_t, N> ringAt(std::uint16_t first)
    {
        std::array<std::int16_t, N> ring{};
        for (std::size_t i = 0; i < N; ++i)
            ring[i] = static_cast<std::int16_t>(reg(static_cast<std::uint16_t>(first + 2 * i)));
        return ring;
    }

    FrameState frame;
    RecordingMessages messages;
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::unique_ptr<VirtualDrive> sim;
#endif
    std::unique_ptr<DriveConnection> drive;
    QPointer<W> window;
};

} // namespace tarvex::test
