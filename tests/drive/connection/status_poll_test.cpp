// The status poll thread through the real link library: which registers it
// asks for, what it shows, how it paces itself, and how it ends when the
// drive stops answering.
#include "drive/connection/communication.h"
#include "drive/connection/drive_connection.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scripted_drive.h"
#include "drive/connection/status_variables.h"
#include "tests/app/support/virtual_drive_session.h"

#include <gtest/gtest.h>

#include <map>

namespace tarvex {
namespace {

using namespace std::chrono_literals;
using test::eventually;

// The three panes as the poll thread sees them, recording what it shows.
class RecordingPanes : public StatusVariableView {
public:
    std::uint32_t tickedRows() const override { return ticked.load(); }
    void showValue(int row, const std::string &text) override
    {
        std::lock_guard lock(mutex);
        values[row] = text;
        ++shownValues;
        ++singleValues;
    }
    void showValues(const std::vector<std::pair<int, std::string>> &cycle) override
    {
        std::lock_guard lock(mutex);
        for (const auto &[row, text] : cycle)
            values[row] = text;
        shownValues += static_cast<int>(cycle.size());
        cycles.push_back(static_cast<int>(cycle.size()));
    }

    struct Lamps : LampView {
        void showLamp(int row, bool on) override
        {
            std::lock_guard lock(mutex);
            lit[row] = on;
            ++updates;
            ++singleLamps;
        }
        void showLamps(const std::vector<bool> &on) override
        {
            std::lock_guard lock(mutex);
            for (std::size_t i = 0; i < on.size(); ++i)
                lit[static_cast<int>(i) + 1] = on[i];
            updates += static_cast<int>(on.size());
            ++wholeCycles;
        }
        std::map<int, bool> state() const
        {
            std::lock_guard lock(mutex);
            return lit;
        }
        int count() const
        {
            std::lock_guard lock(mutex);
            return updates;
        }
        mutable std::mutex mutex;
        std::map<int, bool> lit;
        int updates = 0;
        int singleLamps = 0;
        int wholeCycles = 0;
    };

    int valueCount() const
    {
        std::lock_guard lock(mutex);
        return shownValues;
    }
    std::map<int, std::string> shown() const
    {
        std::lock_guard lock(mutex);
        return values;
    }
    void forget()
    {
        std::lock_guard lock(mutex);
        values.clear();
    }

    std::atomic<std::uint32_t> ticked{0};
    mutable std::mutex mutex;
    std::map<int, std::string> values;
    int shownValues = 0;
    int singleValues = 0;
    std::vector<int> cycles; // values per whole-cycle update
    Lamps inputs;
    Lamps outputs;
};

std::uint32_t rows(std::initializer_list<int> list)
{
    std::uint32_t mask = 0;
    for (int row : list)
        mask |= 1u << (row - 1);
    return mask;
}

class StatusPoll : public ::testing::Test {
protected:
    void SetUp() override
    {
        scripted.set(206, 0xFF9C);  // Current Speed -100
        scripted.set(210, 0x86A0);  // Feedback Pulse, low register
        scripted.set(212, 0x0001);  //   high register: 100000
        scripted.set(236, 0x0064);  // DC-Link Voltage 10.0
        scripted.set(256, 0x012C);  // Motor Rated Current 3.00
        scripted.set(4160, 0x0005); // POT, HOME
        scripted.set(4164, 0x0042); // RDY, WARN
        scripted.set(4174, 0x3130);
        scripted.set(4176, 0x3233);
        connect();
    }

    void connect()
    {
        drive = std::make_unique<DriveConnection>(frame, messages);
        drive->BindLinkLibrary(TARVEX_LINK_LIBRARY);
        CCommunication settings(drive.get());
        settings.ApplySettings(0, PortChoice{1, scripted.device()}, kDialogBaudIndex, fastExchange);
        drive->setVariableView(&panes);
        drive->setInputView(&panes.inputs);
        drive->setOutputView(&panes.outputs);
        drive->Connect();
        ASSERT_TRUE(drive->isLinkOpen());
        frame.setConnectionState(connection_state::kConnected);
    }

    void startMonitoring()
    {
        drive->StartMonitoring();
        frame.setMonitorState(monitor_state::kRunning);
    }

    void TearDown() override
    {
        if (drive)
            drive->StopWorkers({});
    }

    bool fastExchange = false;
    test::ScriptedDrive scripted;
    FrameState frame;
    test::RecordingMessages messages;
    RecordingPanes panes;
    std::unique_ptr<DriveConnection> drive;
};

TEST_F(StatusPoll, TickedRowsAreReadInOneRequestAndShownFormatted)
{
    panes.ticked = rows({1, 3});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().size() == 2 && panes.outputs.count() >= 7; }));

    const auto requests = scripted.scatteredRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.front(), (std::vector<std::uint16_t>{206, 210, 212}));
    const auto shown = panes.shown();
    EXPECT_EQ(shown.at(1), "-100");
    EXPECT_EQ(shown.at(3), "100000");
    EXPECT_EQ(panes.inputs.state(),
              (std::map<int, bool>{{1, true}, {2, false}, {3, true}, {4, false}, {5, false}, {6, false}}));
    const auto outputs = panes.outputs.state();
    for (int row = 1; row <= 7; ++row)
        EXPECT_EQ(outputs.at(row), row == 2 || row == 7) << "output row " << row;
    EXPECT_TRUE(messages.empty());
}

class FastStatusPoll : public StatusPoll {
protected:
    void SetUp() override
    {
        fastExchange = true;
        StatusPoll::SetUp();
    }
};

TEST_F(FastStatusPoll, EachCycleReachesThePanesAtOnceWithTheSameTexts)
{
    ASSERT_TRUE(drive->fastExchangeInEffect());
    panes.ticked = rows({1, 3});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().size() == 2 && panes.outputs.count() >= 7; }));
    const auto shown = panes.shown();
    EXPECT_EQ(shown.at(1), "-100");
    EXPECT_EQ(shown.at(3), "100000");
    EXPECT_TRUE(panes.inputs.state().at(3));
    EXPECT_TRUE(panes.outputs.state().at(7));
    drive->StopMonitoring();
    std::lock_guard lock(panes.mutex);
    EXPECT_EQ(panes.singleValues, 0);
    ASSERT_FALSE(panes.cycles.empty());
    EXPECT_EQ(panes.cycles.front(), 2) << "both ticked rows in one update";
    EXPECT_EQ(panes.inputs.singleLamps, 0);
    EXPECT_GE(panes.outputs.wholeCycles, 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(StatusPoll, WithoutTheFastExchangeTheCellsGoOneByOne)
{
    EXPECT_FALSE(drive->fastExchangeInEffect());
    panes.ticked = rows({1, 3});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().size() == 2 && panes.outputs.count() >= 7; }));
    drive->StopMonitoring();
    std::lock_guard lock(panes.mutex);
    EXPECT_TRUE(panes.cycles.empty());
    EXPECT_GE(panes.singleValues, 2);
}

TEST_F(StatusPoll, ChangedTicksChangeTheNextRequest)
{
    panes.ticked = rows({1, 3});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().count(3) == 1; }));
    panes.ticked = rows({12, 20});
    panes.forget();
    ASSERT_TRUE(eventually([&] { return panes.shown().size() == 2; }));
    EXPECT_EQ(scripted.scatteredRequests().back(), (std::vector<std::uint16_t>{236, 256}));
    EXPECT_EQ(panes.shown().at(12), "10.0");
    EXPECT_EQ(panes.shown().at(20), "3.00");
    EXPECT_EQ(panes.shown().count(1), 0u) << "an unticked row keeps its old text";
}

TEST_F(StatusPoll, EveryRowTickedReads34RegistersAndShowsTheVersionText)
{
    panes.ticked = status::kAllRows;
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().size() == 26; }));
    EXPECT_EQ(scripted.scatteredRequests().front().size(), 34u);
    EXPECT_EQ(panes.shown().at(26), "0132");
    EXPECT_EQ(panes.shown().at(2), "0");
}

TEST_F(StatusPoll, NoRowTickedStillLightsTheLamps)
{
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.inputs.count() >= 6; }));
    EXPECT_TRUE(panes.shown().empty());
    EXPECT_TRUE(panes.inputs.state().at(3));
}

TEST_F(StatusPoll, StopLeavesTheThreadIdleAndStartResumesIt)
{
    panes.ticked = rows({1});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().count(1) == 1; }));
    drive->StopMonitoring();
    EXPECT_EQ(frame.monitorState(), monitor_state::kStopped);
    EXPECT_EQ(drive->monitoringSwitch.load(), 0);
    std::this_thread::sleep_for(300ms); // a cycle under way may finish
    const std::size_t quiet = scripted.requestCount();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(scripted.requestCount(), quiet) << "idle: no reads";
    EXPECT_TRUE(drive->isStatusPollRunning());
    panes.forget();
    startMonitoring();
    EXPECT_TRUE(eventually([&] { return panes.shown().count(1) == 1; }));
}

TEST_F(StatusPoll, ASilentDriveEndsMonitoringWithOneMessageAndClosesTheLink)
{
    panes.ticked = rows({1});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().count(1) == 1; }));
    scripted.setSilent(true);
    ASSERT_TRUE(eventually([&] { return !drive->isStatusPollRunning(); }, 15s));

    // Whichever of the cycle's two reads meets the silence first reports it.
    const auto texts = messages.texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0] == "Error Status check!" || texts[0] == "Error Communication Code : 9 ")
        << texts[0];
    EXPECT_FALSE(drive->isLinkOpen());
    EXPECT_EQ(frame.connectionState(), connection_state::kDisconnected);
    EXPECT_EQ(frame.monitorState(), monitor_state::kStopped);
    EXPECT_EQ(drive->monitoringMode.load(), 0);
    EXPECT_EQ(drive->linkPolling.load(), 0);
    EXPECT_EQ(drive->monitorBusy.load(), 0);
    EXPECT_TRUE(eventually([&] { return !drive->isWatchdogRunning(); }, 2s));

    // The cable back in: a new connection starts a new poll thread.
    scripted.setSilent(false);
    messages.clear();
    panes.forget();
    drive->Connect();
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(drive->isStatusPollRunning());
    startMonitoring();
    EXPECT_TRUE(eventually([&] { return panes.shown().count(1) == 1; }));
}

TEST_F(StatusPoll, AFailedStateVariableReadReportsTheStatusCheck)
{
    panes.ticked = rows({1});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().count(1) == 1; }));
    // From now on the drive answers every scattered read with an exception.
    scripted.refuseScatteredReads(4);
    ASSERT_TRUE(eventually([&] { return !drive->isStatusPollRunning(); }, 15s));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error Status check!"});
    EXPECT_FALSE(drive->isLinkOpen());
    EXPECT_EQ(frame.connectionState(), connection_state::kDisconnected);
}

TEST_F(StatusPoll, AFailedInputOutputReadReportsItsStatusAfterClosingTheLink)
{
    scripted.refuseReadsAt(4160, 2);
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return !drive->isStatusPollRunning(); }, 15s));
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Error Communication Code : 2 "});
    EXPECT_FALSE(drive->isLinkOpen());
    EXPECT_EQ(frame.connectionState(), connection_state::kDisconnected);
    EXPECT_EQ(frame.monitorState(), monitor_state::kStopped);
    EXPECT_EQ(panes.inputs.count(), 0);
}

TEST_F(StatusPoll, EndingStatusPollingEndsTheThread)
{
    panes.ticked = rows({1});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().count(1) == 1; }));
    drive->EndStatusPolling({});
    EXPECT_FALSE(drive->isStatusPollRunning());
    EXPECT_EQ(drive->linkPolling.load(), 0);
    EXPECT_TRUE(drive->isLinkOpen()) << "the link itself stays open";
}

TEST_F(StatusPoll, AWithdrawnPaneIsNeverWrittenTo)
{
    panes.ticked = rows({1});
    startMonitoring();
    ASSERT_TRUE(eventually([&] { return panes.shown().count(1) == 1; }));
    drive->setVariableView(nullptr);
    drive->setInputView(nullptr);
    drive->setOutputView(nullptr);
    std::this_thread::sleep_for(100ms);
    const int values = panes.valueCount();
    const int lamps = panes.inputs.count();
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(panes.valueCount(), values);
    EXPECT_EQ(panes.inputs.count(), lamps);
}

} // namespace
} // namespace tarvex
