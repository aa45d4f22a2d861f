#include "tests/app/parameters/parameter_session.h"

#include "tests/app/support/qt_test_application.h"

namespace tarvex::test {

void ParameterSession::startSession(DriveKind kind, bool paced)
{
    std::string device;
    if (kind == DriveKind::Virtual) {
        sim = startVirtualDrive(paced, catalogueDefaults(), driveLog);
        ASSERT_TRUE(sim);
        device = sim->devicePath();
    } else {
        scripted = std::make_unique<ScriptedDrive>();
        // The parameters start at their factory defaults, as on a real drive.
        for (const vq::sim::ParameterDefault &p : catalogueDefaults().parameters) {
            scripted->set(p.address, p.firstWord);
            if (p.twoRegisters)
                scripted->set(static_cast<std::uint16_t>(p.address + 2), p.secondWord);
        }
        device = scripted->device();
    }
    FeatureWindowFactories features;
    features.add(FeatureKind::Parameters, [this](QWidget *frameWidget) {
        auto made = std::make_unique<CParameterWindow>(frameWidget, runKeepingUiAlive);
        window = made.get();
        return made;
    });
    startFrame({}, std::move(features));
    chooseSettings(device);
    frame->OnCommand(Command::Connect);
    pump();
    ASSERT_EQ(frame->state().connectionState(), connection_state::kConnected)
        << (messages.empty() ? "" : messages.texts().front());
    messages.clear();
}

void ParameterSession::TearDown()
{
    FrameFixture::TearDown();
    window = nullptr;
    sim.reset();
    scripted.reset();
}

CParameterDlg &ParameterSession::openWindow()
{
    frame->OnCommand(Command::ParameterEditing);
    pump();
    EXPECT_TRUE(window && window->dialog()) << "the parameter window did not open";
    return dialog();
}

CParameterDlg &ParameterSession::dialog() const { return *window->dialog(); }

CSelectAllGridWnd &ParameterSession::grid(int group) const { return dialog().form(group)->grid(); }

std::string ParameterSession::value(int group, int row) const
{
    return grid(group).GetValueRowCol(row, CParameterFormDlg::kColValue).toStdString();
}

QColor ParameterSession::valueColour(int group, int row) const
{
    return grid(group).GetStyleRowCol(row, CParameterFormDlg::kColValue).textColor.value_or(QColor(0, 0, 0));
}

bool ParameterSession::valueBold(int group, int row) const
{
    return grid(group).GetStyleRowCol(row, CParameterFormDlg::kColValue).font.bold.value_or(false);
}

void ParameterSession::check(int group, int row, bool on) const
{
    CSelectAllGridWnd &g = grid(group);
    if ((g.GetValueRowCol(row, CParameterFormDlg::kColNumber) == QLatin1String("1")) != on)
        g.clickCell(row, CParameterFormDlg::kColNumber);
}

void ParameterSession::type(int group, int row, const std::string &text) const
{
    QTableWidgetItem *cell = grid(group).item(row - 1, CParameterFormDlg::kColValue - 1);
    ASSERT_NE(cell, nullptr);
    ASSERT_TRUE(cell->flags().testFlag(Qt::ItemIsEditable)) << "the value cell is not editable";
    cell->setText(QString::fromStdString(text));
}

void ParameterSession::selectGroup(int group) const
{
    const std::vector<int> tabs = parameters::tabGroups(dialog().factoryGroupShown());
    for (std::size_t i = 0; i < tabs.size(); ++i)
        if (tabs[i] == group)
            dialog().tabControl().tabBar().setCurrentIndex(static_cast<int>(i));
    pump();
}

void ParameterSession::click(CParameterDlg::ControlId id) const
{
    QPushButton *button = dialog().button(id);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString() << " is disabled";
    button->click();
    pump();
}

std::uint16_t ParameterSession::driveRegister(std::uint16_t address) const
{
    return sim ? sim->registerValue(address) : scripted->value(address);
}

std::map<std::uint16_t, std::uint16_t> ParameterSession::parameterRegisters() const
{
    std::map<std::uint16_t, std::uint16_t> registers;
    for (const vq::sim::ParameterDefault &p : catalogueDefaults().parameters) {
        if (p.group == 0)
            continue; // live readings, not settings
        registers[p.address] = driveRegister(p.address);
        if (p.twoRegisters)
            registers[static_cast<std::uint16_t>(p.address + 2)] = driveRegister(static_cast<std::uint16_t>(p.address + 2));
    }
    return registers;
}

std::vector<std::uint16_t>
ParameterSession::changedRegisters(const std::map<std::uint16_t, std::uint16_t> &before) const
{
    std::vector<std::uint16_t> changed;
    for (const auto &[address, value] : parameterRegisters()) {
        const auto old = before.find(address);
        if (old == before.end() || old->second != value)
            changed.push_back(address);
    }
    return changed;
}

void ParameterSession::setDriveRegister(std::uint16_t address, std::uint16_t value)
{
    std::uint8_t status = 1;
    frame->drive().link().WrSgRegister(address, value, &status);
    ASSERT_EQ(status, 0) << "register " << address;
}

void ParameterSession::servoOn() { setDriveRegister(4182, 1); }

} // namespace tarvex::test
