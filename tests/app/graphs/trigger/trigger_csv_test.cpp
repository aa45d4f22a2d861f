// A trigger capture exported as CSV through the chart's context menu (right
// click on the plot, "Export CSV...", the file dialog) against the virtual
// drive: every channel in its own unit, never mapped onto channel 1's axis,
// times in seconds, the capture's settings in the header.
#include "tests/app/support/capture_window_fixture.h"
#include "app/graphs/channel_lists.h"
#include "tests/app/support/chart_menu_driver.h"
#include "app/ui/chart/chart_view.h"
#include "app/ui/chart/csv_export_dialog.h"
#include "tests/app/support/csv_reader.h"
#include "app/graphs/integer_edit.h"
#include "tests/app/support/scratch_directory.h"
#include "app/graphs/trigger/trigger_graph_dlg.h"
#include "tests/app/support/ui_pump.h"

#include "app/graphs/capture_state_label.h"

#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include "tests/app/graphs/trigger/trigger_list_indices.h"

namespace tarvex {
namespace {

using namespace std::chrono_literals;

using namespace test::trigger_lists;

class TriggerCsv : public test::CaptureWindowFixture<CTriggerGraphDlg> {
protected:
    // A capture of speed, DC link and torque, triggered by the DC link's
    // ripple falling through 310.5 V, every 3 x 0.2 ms.
    bool capture()
    {
        window->periodEdit().setValue(3);
        window->channelLists().setIndices({kCurrentSpeed, kDcLink, kCurrentTorque, 0});
        window->sourceList().setCurrentIndex(kSourceDcLink);
        window->edgeList().setCurrentIndex(kNegative);
        window->positionEdit().setValue(40);
        window->levelEdit().setValue(3105);
        window->applyButton().click();
        window->startButton().click();
        return test::pumpUntil([&] { return window->capturesShown() > 0 && !window->isWorkerRunning(); }, 5s);
    }

    std::array<std::int16_t, 256> driveRing(int c) { return ringAt<256>(static_cast<std::uint16_t>(2072 + 512 * c)); }

    test::ScratchDirectory scratch;
};

TEST_F(TriggerCsv, TheExportHoldsEveryChannelInItsOwnUnitAndTheCapturesSettings)
{
    open();
    ASSERT_TRUE(capture()) << (messages.empty() ? "" : messages.texts().front());
    window->resize(1000, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    const std::string path = (scratch / "capture.csv").string();
    test::answerNextFileDialog(QString::fromStdString(path));
    ASSERT_TRUE(test::chooseFromChartMenu(window->chart(), "Export CSV..."));
    EXPECT_TRUE(messages.empty()) << messages.texts().front();

    const test::CsvFile csv = test::readCsv(path);
    EXPECT_EQ(csv.comments.front(), "Trigger Monitoring");
    EXPECT_EQ(csv.settings.at("Sampling period [s]"), "0.0006");
    EXPECT_EQ(csv.settings.at("Trigger source"), "DC Link Voltage");
    EXPECT_EQ(csv.settings.at("Trigger edge"), "Negative");
    EXPECT_EQ(csv.settings.at("Trigger position [sample]"), "40");
    EXPECT_EQ(csv.settings.at("Trigger level [drive units]"), "3105");
    ASSERT_EQ(csv.header, std::vector<std::string>({"Time [s]", "Current Speed [rpm]", "DC Link Voltage [V]",
                                                     "current Torque [%]"}));
    ASSERT_EQ(csv.rows.size(), 256u);

    // The drive's own samples, rotated to its start position: the speed as
    // it is, the DC link in volts, the torque in percent, not in rpm.
    const unsigned start = reg(1034);
    const auto speed = driveRing(0);
    const auto dcLink = driveRing(1);
    const auto torque = driveRing(2);
    for (std::size_t k = 0; k < 256; ++k) {
        const auto &row = csv.rows[k];
        ASSERT_EQ(row.size(), 4u);
        EXPECT_NEAR(row[0], static_cast<double>(k) * 0.0006, 1e-12) << "row " << k;
        EXPECT_EQ(row[1], speed[(start + k) % 256]) << "row " << k;
        // Volts to the tenth the drive sent, though the chart shows whole volts.
        EXPECT_NEAR(row[2], dcLink[(start + k) % 256] / 10.0, 1e-9) << "row " << k;
        EXPECT_EQ(row[3], torque[(start + k) % 256]) << "row " << k;
    }
    // The DC link sits near 310 V: plotted on the speed's axis it would not.
    EXPECT_GT(csv.rows[0][2], 250);
    EXPECT_LT(csv.rows[0][2], 400);
}

TEST_F(TriggerCsv, TheStateLineFollowsTheCaptureAndThePlotMarksTheTrigger)
{
    open();
    EXPECT_EQ(window->stateLabel().text(), "Idle");
    ASSERT_TRUE(capture());
    EXPECT_TRUE(window->stateLabel().text().startsWith("Captured after")) << window->stateLabel().text().toStdString();
    EXPECT_FALSE(window->stateLabel().isWaiting());
    // The source is the DC link, which channel 2 shows: both lines are drawn.
    EXPECT_TRUE(window->chart().hasTriggerMarks());
    EXPECT_TRUE(window->chart().hasTriggerLevel());

    // The spare source never fires: the line counts the waiting up until Stop.
    window->sourceList().setCurrentIndex(16);
    window->applyButton().click();
    EXPECT_FALSE(window->chart().hasTriggerMarks()) << "a new set-up clears the old capture's marks";
    window->startButton().click();
    EXPECT_TRUE(window->stateLabel().isWaiting());
    test::pumpFor(250ms);
    const QString waiting = window->stateLabel().text();
    EXPECT_TRUE(waiting.startsWith("Armed, waiting for the trigger: ")) << waiting.toStdString();
    EXPECT_NE(waiting, "Armed, waiting for the trigger: 0.0 s");
    window->stopButton().click();
    EXPECT_EQ(window->stateLabel().text(), "Stopped; the drive stays armed");
    test::pumpUntil([&] { return !window->isWorkerRunning(); }, 2s);
}

TEST_F(TriggerCsv, BeforeAnyCaptureTheExportHasTheHeaderAndNoRows)
{
    open();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const std::string path = (scratch / "empty.csv").string();
    test::answerNextFileDialog(QString::fromStdString(path));
    ASSERT_TRUE(test::chooseFromChartMenu(window->chart(), "Export CSV..."));
    const test::CsvFile csv = test::readCsv(path);
    EXPECT_EQ(csv.header, std::vector<std::string>({"Time [s]"}));
    EXPECT_TRUE(csv.rows.empty());
}

TEST_F(TriggerCsv, AFileThatCannotBeWrittenIsReported)
{
    open();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_FALSE(graphs::saveCsvFile(QString::fromStdString((scratch / "missing" / "x.csv").string()),
                                     window->csvTable(), &drive->messages()));
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.texts().back(), "Cannot Save CSV File");
}

} // namespace
} // namespace tarvex
