// A frame connected to a virtual drive of its own, through Communication
// Setting and Connect as the user does; the drive goes after the frame.
#pragma once

#include "tests/app/support/frame_fixture.h"
#include "tests/app/support/virtual_drive_session.h"

#include <memory>

namespace tarvex::test {

class ConnectedFrameFixture : public FrameFixture {
protected:
    // From SetUp, after TARVEX_NEEDS_VIRTUAL_DRIVE(); a failed connection
    // is a fatal failure of the test.
    void connectToVirtualDrive(FeatureWindowFactories features = {}, bool shown = false)
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        sim = startVirtualDrive();
        ASSERT_TRUE(sim);
        startFrame({}, std::move(features));
        if (shown)
            frame->show();
        chooseSettings(sim->devicePath());
        frame->OnCommand(Command::Connect);
        pump();
        ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected)
            << (messages.empty() ? "" : messages.texts().front());
#else
        (void)features;
        (void)shown;
#endif
    }

    void TearDown() override
    {
        FrameFixture::TearDown();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        sim.reset();
#endif
    }

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::unique_ptr<VirtualDrive> sim;
#endif
};

} // namespace tarvex::test
