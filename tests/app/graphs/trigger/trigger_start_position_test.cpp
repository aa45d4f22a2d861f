// Start positions the test chooses: a scripted drive answers the trigger
// window from a register table over the real link library, so every start
// position and every byte of the state word can be set. Start positions 0
// and 255, one beyond the ring, a state whose high byte reads 4 but whose
// low byte does not, and a block read that fails.
#include "tests/app/graphs/trigger/scripted_trigger.h"

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::pumpFor;
using test::pumpUntil;
using test::heldSample;
using TriggerStartPosition = test::ScriptedTrigger;

TEST_F(TriggerStartPosition, ZeroLeavesTheBuffersUnrotated)
{
    captureWithStart(0);
    for (int c = 0; c < 4; ++c)
        for (int k = 0; k < 256; ++k)
            ASSERT_EQ(window->displayBuffers()[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)],
                      heldSample(c, k));
    EXPECT_TRUE(messages.empty());
}

TEST_F(TriggerStartPosition, At255TheLastReceivedSampleComesFirst)
{
    captureWithStart(255);
    const auto &display = window->displayBuffers();
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(display[static_cast<std::size_t>(c)][0], heldSample(c, 255));
        for (int k = 1; k < 256; ++k)
            ASSERT_EQ(display[static_cast<std::size_t>(c)][static_cast<std::size_t>(k)], heldSample(c, k - 1));
    }
}

TEST_F(TriggerStartPosition, BeyondTheRingIsTakenModuloItsSize)
{
    captureWithStart(256 + 40);
    const auto &display = window->displayBuffers();
    for (int k = 0; k < 256; ++k)
        ASSERT_EQ(display[0][static_cast<std::size_t>(k)], heldSample(0, (40 + k) % 256));
}

TEST_F(TriggerStartPosition, OnlyTheStatesLowByteCompletesTheCapture)
{
    window->startButton().click();
    scripted.set(1014, 0x0403); // high byte 4, low byte 3: still recording
    pumpFor(150ms);
    EXPECT_TRUE(window->isWorkerRunning());
    EXPECT_EQ(window->capturesShown(), 0);
    const std::size_t polls = scripted.requestCount();
    pumpFor(100ms);
    EXPECT_GT(scripted.requestCount(), polls) << "the poll goes on";

    scripted.set(1034, 7);
    scripted.set(1014, 0x0304);
    ASSERT_TRUE(pumpUntil([&] { return window->capturesShown() == 1; }));
    EXPECT_EQ(window->displayBuffers()[0][0], heldSample(0, 7));
}

TEST_F(TriggerStartPosition, AFailedBlockReadNamesItsChannelAndEndsTheCapture)
{
    scripted.refuseReadsAt(2072 + 512 * 2 + 128 * 3, 2); // channel 3's last block
    window->startButton().click();
    scripted.set(1014, 4); // after the arming, which wrote 1
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }, 10s));
    pumpFor(10ms);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"channel3 Read Error", "Communication Trigger Error!"}));
    EXPECT_EQ(window->capturesShown(), 0);
    EXPECT_TRUE(window->fftButton().isEnabled());
}

TEST_F(TriggerStartPosition, AFailedStartPositionReadHasItsOwnMessage)
{
    scripted.refuseReadsAt(1034, 2);
    window->startButton().click();
    scripted.set(1014, 4); // after the arming, which wrote 1
    ASSERT_TRUE(pumpUntil([&] { return !window->isWorkerRunning(); }, 10s));
    pumpFor(10ms);
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"StartPosition Read Error", "Communication Trigger Error!"}));
    EXPECT_EQ(window->capturesShown(), 0);
}

} // namespace
} // namespace tarvex
