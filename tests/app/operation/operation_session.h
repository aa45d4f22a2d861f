// The main program with its three operation windows, connected to the
// virtual drive over a pseudo-terminal: the fixture of the tests that work
// the tools through the frame's commands.
#pragma once

#include "app/operation/autotuning_dlg.h"
#include "drive/connection/commands.h"
#include "app/frame/feature_windows.h"
#include "tests/app/support/connected_frame_fixture.h"
#include "app/operation/manual_jog_dlg.h"
#include "drive/motion/operation_registers.h"
#include "app/operation/program_jog_dlg.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QPushButton>
#include <QTest>

namespace tarvex::test {

// The drive, `sim`, goes after the frame.
class OperationSession : public ConnectedFrameFixture {
protected:
    void SetUp() override
    {
        using namespace std::chrono_literals;
        TARVEX_NEEDS_VIRTUAL_DRIVE();
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        // Every parameter the catalogue lists: a tuning run keeps a
        // snapshot of them first.
        sim = startVirtualDrive(false, catalogueDefaults());
        ASSERT_TRUE(sim);
        sim->setTuningDuration(500ms);
        sim->setMeasuredInertia(420);
        FeatureWindowFactories features;
        features.add(FeatureKind::ManualJog, [this](QWidget *owner) {
            auto window = std::make_unique<CManualJogDlg>(owner);
            jog = window.get();
            return window;
        });
        features.add(FeatureKind::ProgramJog, [this](QWidget *owner) {
            auto window = std::make_unique<CProgramJogDlg>(owner);
            programJog = window.get();
            return window;
        });
        features.add(FeatureKind::AutoTuning, [this](QWidget *owner) {
            auto window = std::make_unique<CAutotuningDlg>(owner);
            tuning = window.get();
            return window;
        });
        startFrame({}, std::move(features));
        chooseSettings(sim->devicePath());
        frame->OnCommand(Command::Connect);
        pump();
        ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected) << firstMessage();
#endif
    }

    // What the frame said first, for a failure's explanation.
    virtual std::string firstMessage() const { return messages.empty() ? "" : messages.texts().front(); }

    static void click(QPushButton &button) { QTest::mouseClick(&button, Qt::LeftButton); }

    std::int16_t driveSpeed()
    {
#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
        return static_cast<std::int16_t>(sim->registerValue(operation_register::kCurrentSpeed));
#else
        return 0;
#endif
    }

    CManualJogDlg *jog = nullptr;
    CProgramJogDlg *programJog = nullptr;
    CAutotuningDlg *tuning = nullptr;
};

} // namespace tarvex::test
