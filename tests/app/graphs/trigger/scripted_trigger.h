// The trigger window on a scripted drive: a register table answered over
// the real link library and a pseudo-terminal, holding a known pattern in
// the drive's sample blocks, so that every start position and every byte
// of the state word can be set by the test.
#pragma once

#include "app/graphs/channel_lists.h"
#include "tests/app/support/linked_drive.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scripted_drive.h"
#include "app/graphs/trigger/trigger_graph_dlg.h"
#include "tests/app/support/ui_pump.h"

#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

namespace tarvex::test {

using namespace std::chrono_literals;

// Sample i of channel c as the scripted drive holds it.
inline std::int16_t heldSample(int c, int i) { return static_cast<std::int16_t>(1000 * (c + 1) + i); }

class ScriptedTrigger : public ::testing::Test {
protected:
    void SetUp() override
    {
        drive = linkedDriveConnection(scripted.device(), frame, messages, 115200);
        drive->Connect();
        ASSERT_TRUE(drive->isLinkOpen()) << (messages.empty() ? "" : messages.texts().front());
        messages.clear();
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < 256; ++i)
                scripted.set(static_cast<std::uint16_t>(2072 + 512 * c + 2 * i),
                             static_cast<std::uint16_t>(heldSample(c, i)));
        window = new CTriggerGraphDlg(drive.get());
        window->channelLists().setIndices({1, 2, 4, 5});
        window->applyButton().click();
        ASSERT_TRUE(window->startButton().isEnabled());
    }

    void TearDown() override
    {
        delete window.data();
        drive->StopWorkers({});
    }

    // Arms with the drive still recording, then completes the capture.
    void captureWithStart(std::uint16_t start)
    {
        scripted.set(1014, 3);
        window->startButton().click();
        test::pumpFor(20ms);
        scripted.set(1034, start);
        scripted.set(1014, 4);
        ASSERT_TRUE(test::pumpUntil([&] { return window->capturesShown() == 1 && !window->isWorkerRunning(); }, 5s));
    }

    ScriptedDrive scripted;
    FrameState frame;
    RecordingMessages messages;
    std::unique_ptr<DriveConnection> drive;
    QPointer<CTriggerGraphDlg> window;
};

} // namespace tarvex::test
