// The trigger window as the program opens it: the "Trigger Monitoring"
// command of a main frame started from a run directory, connected to the
// virtual drive. The window is created once and shown again, created
// afresh after EXIT, and a capture still waiting when the program closes
// ends before the link library goes away. Last, an engineer's session:
// a resonance captured, found with FFT and suppressed with the notch
// filter, the captures saved and reloaded, and the alarm graph looked at
// after an alarm.
#include "app/graphs/alarm/alarm_graph_dlg.h"
#include "app/graphs/channel_lists.h"
#include "app/ui/chart/chart_view.h"
#include "app/graphs/integer_edit.h"
#include "drive/connection/commands.h"
#include "app/frame/feature_windows.h"
#include "app/frame/main_frame.h"
#include "app/graphs/notch/notch_filter_dlg.h"
#include "tests/app/support/recording_messages.h"
#include "tests/app/support/scratch_directory.h"
#include "app/ui/settings/user_settings.h"
#include "app/frame/tarvex_app.h"
#include "app/graphs/trigger/trigger_graph_dlg.h"
#include "tests/app/support/ui_pump.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QApplication>
#include <QComboBox>
#include <QSpinBox>
#include <QTimer>
#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace tarvex {
namespace {

using namespace std::chrono_literals;

class TriggerFromTheFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        TARVEX_NEEDS_VIRTUAL_DRIVE();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        GXInit();
        sim = test::startVirtualDrive();
        ASSERT_TRUE(sim);
        namespace fs = std::filesystem;
        directory.link("VQ_Communication.so", TARVEX_LINK_LIBRARY);
        const fs::path run = TARVEX_RUN_DIRECTORY;
        if (fs::exists(run / "VQ_DatabaseManager.so"))
            directory.link("VQ_DatabaseManager.so", run / "VQ_DatabaseManager.so");
        if (fs::exists(run / "DB"))
            directory.link("DB", run / "DB");
        fs::create_directories(sysfs.path() / "class" / "tty");
        inDirectory = std::make_unique<test::WorkingDirectory>(directory.path());

        FrameOptions options;
        options.messages = &messages;
        options.sysfsRoot = sysfs.path().string();
        options.koreanSystem = false;
        options.applyStoredLook = false;
        options.programDirectory = directory.path().string();
        options.settingsFile = QString::fromStdString((directory.path() / "settings.ini").string());
        options.features = installedFeatureWindows();
        frame = std::make_unique<CMainFrame>(std::move(options));
        frame->drive().storeSettings({0, PortChoice{1, sim->devicePath()}, 19200});
        frame->OnCommand(Command::Connect);
        ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected)
            << (messages.empty() ? "" : messages.texts().front());
        messages.clear();
#endif
    }

    void TearDown() override
    {
        frame.reset();
        inDirectory.reset();
        UserSettings::useFile({}); // the next test's settings are not in this one's directory
    }

    CTriggerGraphDlg *window() { return frame->findChild<CTriggerGraphDlg *>(); }

    test::ScratchDirectory directory;
    test::ScratchDirectory sysfs;
    test::RecordingMessages messages;
    std::unique_ptr<test::WorkingDirectory> inDirectory;
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    std::unique_ptr<test::VirtualDrive> sim;
#endif
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(TriggerFromTheFrame, TheCommandCreatesTheWindowOnceAndShowsItAgain)
{
    ASSERT_TRUE(frame->isCommandEnabled(Command::TriggerMonitoring));
    frame->OnCommand(Command::TriggerMonitoring);
    QPointer<CTriggerGraphDlg> first = window();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kTriggerGraph);
    EXPECT_EQ(frame->drive().generalBusy.load(), 0);
    EXPECT_TRUE(first->applyButton().isEnabled()) << "opened on a connected link";

    first->hide();
    frame->OnCommand(Command::TriggerMonitoring);
    EXPECT_EQ(window(), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(frame->findChildren<CTriggerGraphDlg *>().size(), 1);

    first->exitButton().click();
    ASSERT_TRUE(test::pumpUntil([&] { return first.isNull(); }));
    frame->OnCommand(Command::TriggerMonitoring);
    ASSERT_TRUE(window());
    EXPECT_TRUE(window()->isVisible());
}

TEST_F(TriggerFromTheFrame, ClosingTheProgramEndsAWaitingCaptureFirst)
{
    frame->OnCommand(Command::TriggerMonitoring);
    QPointer<CTriggerGraphDlg> dialog = window();
    ASSERT_TRUE(dialog);
    dialog->sourceList().setCurrentIndex(16); // a source that never moves
    dialog->applyButton().click();
    dialog->startButton().click();
    ASSERT_TRUE(dialog->isWorkerRunning());
    test::pumpFor(50ms);

    frame->close();
    EXPECT_TRUE(dialog.isNull()) << "the windows went with the program";
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
}

// Runs `use` on the modal window of type W once it is up, from inside its own event loop.
template <class W, class Use>
void whenModal(Use use)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, use] {
        if (auto *shown = qobject_cast<W *>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            use(*shown);
        }
    });
    poll->start(20);
}

TEST_F(TriggerFromTheFrame, AnEngineerFindsAResonanceSuppressesItSavesTheCapturesAndLooksAtAnAlarm)
{
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
    sim->setResonance(true, 600);
    std::uint8_t status = 1;
    frame->drive().link().WrSgRegister(4182, 1, &status); // servo on
    ASSERT_EQ(status, 0);

    frame->OnCommand(Command::TriggerMonitoring);
    QPointer<CTriggerGraphDlg> trigger = window();
    ASSERT_TRUE(trigger);
    const auto capture = [&] {
        const int before = trigger->capturesShown();
        trigger->channelLists().setIndices({1, 7, 0, 0}); // current speed, DC link
        trigger->sourceList().setCurrentIndex(6);          // the DC link's ripple...
        trigger->edgeList().setCurrentIndex(1);            // ...falling...
        trigger->levelEdit().setValue(3105);               // ...through 310.5 V
        trigger->applyButton().click();
        trigger->startButton().click();
        return test::pumpUntil([&] { return trigger->capturesShown() > before && !trigger->isWorkerRunning(); }, 5s);
    };
    ASSERT_TRUE(capture());
    ASSERT_TRUE(trigger->fftButton().isEnabled());

    int found = 0;
    QString amplitude;
    whenModal<CNotchFilterDlg>([&](CNotchFilterDlg &fft) {
        fft.channelButton(0).click();
        found = fft.peakFrequency();
        amplitude = fft.peakAmplitude();
        fft.useEdit().setValue(1);
        fft.frequencyEdit().setValue(found);
        fft.bandwidthEdit().setValue(300);
        messages.answerNext(true); // the notch switch shares its register with a program jog time
        fft.writeButton().click();
        fft.reject();
    });
    trigger->fftButton().click();
    EXPECT_NEAR(found, 600, 40);
    EXPECT_EQ(sim->registerValue(174), 1);
    EXPECT_EQ(sim->registerValue(176), found);

    const test::ScratchDirectory files;
    const QString before = QString::fromStdString((files / "before.mtg").string());
    ASSERT_TRUE(trigger->SaveTo(before));
    ASSERT_TRUE(capture());
    double after = 0;
    whenModal<CNotchFilterDlg>([&](CNotchFilterDlg &fft) {
        fft.channelButton(0).click();
        // The bins around the one labelled with the frequency found.
        for (std::size_t k = 2; k + 2 < 128; ++k)
            if (static_cast<int>(k + 1) * 2500 / 128 == found)
                for (std::size_t near = k - 2; near <= k + 2; ++near)
                    after = std::max(after, fft.spectra()[0][near]);
        fft.reject();
    });
    trigger->fftButton().click();
    EXPECT_LT(after, amplitude.toDouble() / 4) << "the notch takes the resonance out: " << found << " Hz, "
                                               << amplitude.toStdString() << " before, " << after << " after";

    const auto notched = trigger->displayBuffers();
    ASSERT_TRUE(trigger->OpenFrom(before));
    EXPECT_NE(trigger->displayBuffers(), notched);
    EXPECT_EQ(trigger->displayBuffers()[1][0], 310) << "the DC link in volts";

    // The alarm graph, armed before the alarm.
    frame->drive().link().WrSgRegister(4182, 2, &status); // jog forward
    bool uploaded = false;
    whenModal<CAlarmGraphDlg>([&](CAlarmGraphDlg &alarm) {
        alarm.channelLists().setIndices({1, 12, 0, 0});
        alarm.applyButton().click();
        QTimer::singleShot(100, &alarm, [this] { sim->raiseAlarm(0x14); });
        auto *wait = new QTimer(&alarm);
        QObject::connect(wait, &QTimer::timeout, &alarm, [&alarm, &uploaded, wait] {
            if (!alarm.uploadButton().isEnabled())
                return;
            wait->stop();
            alarm.uploadButton().click();
            uploaded = alarm.chart().count(1) == 128 && alarm.displayBuffers()[1][63] == 0 &&
                       alarm.displayBuffers()[1][64] == 1;
            alarm.reject();
        });
        wait->start(20);
    });
    frame->OnCommand(Command::AlarmTrace);
    EXPECT_TRUE(uploaded);
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"Register 174 is both Notch Filter Use and Program Jog Time 4. Writing Notch Filter Use = 1 changes Program Jog Time 4 from 0 to 1. Write anyway?",
                                                          "Write Success...!", "Success get data ! "}));
#endif
}

} // namespace
} // namespace tarvex
