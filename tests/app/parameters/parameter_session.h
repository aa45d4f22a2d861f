// A main frame connected to a drive, with the parameter window plugged in:
// the virtual drive holding the real catalogue's defaults, or a scripted
// drive where a test must control single replies. The window opens through
// the frame's "Parameter Editing" command, as the user opens it.
#pragma once

#include "tests/app/support/frame_fixture.h"
#include "app/parameters/parameter_dlg.h"
#include "app/parameters/parameter_forms.h"
#include "app/parameters/parameter_message_dlg.h"
#include "app/parameters/parameter_tab_ctrl.h"
#include "app/parameters/parameter_window.h"
#include "tests/app/support/scripted_drive.h"
#include "app/ui/ui_wait.h"
#include "simulator/src/virtual_drive.h"
#include "tests/app/support/virtual_drive_session.h"

#include <QColor>
#include <QPushButton>
#include <QTabBar>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace tarvex::test {

// The text colours the parameter cells are drawn in.
inline const QColor kBlack(0, 0, 0);
inline const QColor kRed(255, 0, 0);
inline const QColor kBlue(0, 0, 255);

// Register addresses and positions of the catalogue that the tests use.
namespace catalogue {
inline constexpr int kStatusVersion = 25;         // register 62
inline constexpr int kSystemInertia = 1;          // register 82, 0..30000, takes effect at once
inline constexpr int kSystemResolution = 2;       // register 84, power cycle
inline constexpr int kSystemRegenResistor = 6;    // register 92, servo off, 0..1000 (not checked by Write)
inline constexpr int kSystemPulses = 11;          // registers 102/104, 32-bit, power cycle
inline constexpr int kSystemDisplay = 16;         // register 114, one hexadecimal digit
inline constexpr int kSystemProtection = 17;      // register 116, five binary digits
inline constexpr int kPositionHomingTimeout = 9;  // register 468, 1..600 (Write skips the lower limit)
inline constexpr int kFullclosedEncoderType = 1;  // register 702, 0..2, power cycle
} // namespace catalogue

class ParameterSession : public FrameFixture {
protected:
    enum class DriveKind { Virtual, Scripted };

    void SetUp() override { startSession(); }
    void TearDown() override;

    void startSession(DriveKind kind = DriveKind::Virtual, bool paced = false);

    // "Parameter Editing" from the menu; the open window.
    CParameterDlg &openWindow();
    CParameterDlg &dialog() const;

    CSelectAllGridWnd &grid(int group) const;
    // Rows are the grid's rows: 1 for a group's first parameter.
    std::string value(int group, int row) const;
    QColor valueColour(int group, int row) const;
    bool valueBold(int group, int row) const;
    void check(int group, int row, bool on = true) const;
    // Types `text` into the row's "Value" cell as the user does.
    void type(int group, int row, const std::string &text) const;
    // Shows the group's tab as a click on it does.
    void selectGroup(int group) const;
    void click(CParameterDlg::ControlId id) const;

    // A register of the drive as the drive holds it.
    std::uint16_t driveRegister(std::uint16_t address) const;
    // Every settings register of the catalogue as the drive holds it, by address.
    std::map<std::uint16_t, std::uint16_t> parameterRegisters() const;
    // The parameter registers whose value differs from `before`.
    std::vector<std::uint16_t> changedRegisters(const std::map<std::uint16_t, std::uint16_t> &before) const;
    // Changes a register on the drive through the link, as another tool would.
    void setDriveRegister(std::uint16_t address, std::uint16_t value);
    void servoOn();

    CParameterWindow *window = nullptr;
    std::unique_ptr<VirtualDrive> sim;
    std::unique_ptr<ScriptedDrive> scripted;
    // Hears every frame the virtual drive receives and sends (set before the session starts).
    std::function<void(const std::string &)> driveLog;
};

} // namespace tarvex::test
