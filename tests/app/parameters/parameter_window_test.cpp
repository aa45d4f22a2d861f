// The parameter window against the virtual drive: opening it from the
// frame reads and shows every group with its display rules; the tabs, the
// legend and the grids' layout; Read of the checked rows; the window's life
// (EXIT, opening again, Escape, a closed link); the "Parameter Read" note
// and the progress line while the groups are read; typed values that must
// survive a change of tab.
#include "tests/app/parameters/parameter_session.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace tarvex::test {
namespace {

using Parameters = ParameterSession;

TEST_F(Parameters, OpeningShowsTheStatusGroupWithItsScaling)
{
    // The drive at rest, servo off: its Status group follows its motor model.
    openWindow();
    EXPECT_TRUE(messages.empty()) << messages.texts().front();

    EXPECT_EQ(value(0, 1), "0") << "current speed";
    EXPECT_EQ(value(0, 3), "0") << "feedback pulses, 32-bit signed";
    EXPECT_EQ(value(0, 6), "0.0") << "input pulse frequency, 32-bit x 0.1";
    EXPECT_EQ(value(0, 8), "0.0") << "current torque, signed x 0.1";
    EXPECT_NEAR(std::stod(value(0, 13)), 310.5, 2.0) << "the DC link, as the pane shows it";
    EXPECT_EQ(value(0, 18), "3000") << "rated speed";
    EXPECT_EQ(value(0, 19), "5000") << "maximum speed";
    EXPECT_EQ(value(0, 20), "2.80") << "rated current, x 0.01";
    EXPECT_EQ(value(0, 23), "1.27") << "rated torque, scaled x 0.01";
    EXPECT_EQ(value(0, 24), "0001") << "servo state: ready, servo off";
    EXPECT_EQ(value(0, 25), "0") << "no alarm";
    EXPECT_EQ(value(0, catalogue::kStatusVersion + 1), "A0.27.3");
    EXPECT_EQ(value(0, 28), "3.6");
    for (int row = 1; row <= dialog().form(0)->rowCount(); ++row) {
        EXPECT_EQ(valueColour(0, row), kBlack) << row;
        EXPECT_FALSE(valueBold(0, row)) << row;
    }
}

TEST_F(Parameters, OpeningShowsTheSettingsInTheirGroupsFormatsAndMarksChangedValues)
{
    setDriveRegister(114, 0x000A); // System: one hexadecimal digit
    setDriveRegister(116, 0x0005); // System: five binary digits
    setDriveRegister(102, 0x0000); // System: 32-bit 65536
    setDriveRegister(104, 0x0001);
    setDriveRegister(198, 0x0003); // Control: two hexadecimal digits
    setDriveRegister(332, 0x0006); // In/Out: five binary digits
    setDriveRegister(356, 0xFFF6); // In/Out: signed
    openWindow();

    EXPECT_EQ(value(1, catalogue::kSystemDisplay + 1), "A");
    EXPECT_EQ(value(1, catalogue::kSystemProtection + 1), "00101");
    EXPECT_EQ(value(1, catalogue::kSystemPulses + 1), "65536");
    EXPECT_EQ(value(2, 13), "03");
    EXPECT_EQ(value(3, 7), "00110");
    EXPECT_EQ(value(3, 19), "-10");
    EXPECT_EQ(value(3, 1), "0001") << "an unchanged hexadecimal default";
    EXPECT_EQ(value(2, 16), "00") << "an unchanged bit field";

    // Values equal to their default text are black; the others red and bold.
    EXPECT_EQ(valueColour(3, 1), kBlack);
    EXPECT_FALSE(valueBold(3, 1));
    for (auto [group, row] : {std::pair{1, 17}, {1, 18}, {1, 12}, {2, 13}, {3, 7}, {3, 19}}) {
        EXPECT_EQ(valueColour(group, row), kRed) << group << "/" << row;
        EXPECT_TRUE(valueBold(group, row)) << group << "/" << row;
    }
    EXPECT_EQ(grid(1).GetValueRowCol(catalogue::kSystemResolution + 1, CParameterFormDlg::kColUnit), "bit");
}

TEST_F(Parameters, TheResolutionUnitFollowsTheValue)
{
    setDriveRegister(84, 10000);
    openWindow();
    EXPECT_EQ(value(1, catalogue::kSystemResolution + 1), "10000");
    EXPECT_EQ(grid(1).GetValueRowCol(catalogue::kSystemResolution + 1, CParameterFormDlg::kColUnit), "ppr");
}

TEST_F(Parameters, TheWindowShowsSevenTabsTheLegendAndTheCatalogueInItsGrids)
{
    CParameterDlg &dlg = openWindow();
    EXPECT_EQ(dlg.windowTitle(), "Parameter Editing");
    QTabBar &tabs = dlg.tabControl().tabBar();
    ASSERT_EQ(tabs.count(), 7);
    const char *texts[] = {"Status", "System", "Control", "In/Out", "SpeedOperation", "PositionOperation",
                           "Fullclosed"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(tabs.tabText(i), texts[i]);
    EXPECT_EQ(dlg.form(6), nullptr) << "the factory group stays hidden";
    for (int g : {0, 1, 2, 3, 4, 5, 7}) {
        EXPECT_FALSE(dlg.form(g)->isWindow()) << "a page of the tab control, group " << g;
        EXPECT_EQ(dlg.form(g)->parentWidget(), &dlg.tabControl());
        EXPECT_TRUE(dlg.tabControl().rect().contains(dlg.form(g)->geometry())) << g;
    }

    const auto legend = [&](const char *name) { return dlg.findChild<QLabel *>(QString::fromLatin1(name)); };
    ASSERT_NE(legend("legend1201"), nullptr);
    EXPECT_EQ(legend("legend1201")->text(), "Servo OFF");
    EXPECT_EQ(legend("legend1201")->palette().color(QPalette::WindowText), kBlue);
    EXPECT_EQ(legend("legend1200")->text(), QString::fromUtf8("Power OFF\u2192ON"));
    EXPECT_EQ(legend("legend1200")->palette().color(QPalette::WindowText), kRed);
    for (auto id : {CParameterDlg::IDC_ALL_WRITE, CParameterDlg::IDC_WRITE, CParameterDlg::IDC_ALL_READ,
                    CParameterDlg::IDC_READ, CParameterDlg::IDC_EXIT, CParameterDlg::ID_PARAMETER_LOCK,
                    CParameterDlg::ID_PARAMETER_UNLOCK})
        EXPECT_TRUE(dlg.button(id)->isEnabled());
    EXPECT_EQ(dlg.button(CParameterDlg::ID_PARAMETER_UNLOCK)->text(), "P.UnLock");

    CSelectAllGridWnd &system = grid(1);
    ASSERT_EQ(system.GetRowCount(), 22);
    ASSERT_EQ(system.GetColCount(), 8);
    // The Default column is wide enough for the catalogue's longest default
    // (1073741824): a number cut short would read as another number. A
    // column wider than drawn holds a header or catalogue text that needs it.
    const int widths[] = {0, 90, 60, 225, 95, 95, 60, 95, 97};
    for (int c = 1; c <= 8; ++c)
        EXPECT_GE(system.GetColWidth(c), widths[c]) << c;
    for (int group = 1; group <= 7; ++group) {
        if (group == 6)
            continue;
        CSelectAllGridWnd &g = grid(group);
        QFont font = g.font();
        font.setPointSize(9);
        const QFontMetrics metrics(font);
        for (int row = 1; row <= static_cast<int>(g.GetRowCount()); ++row)
            for (int column : {4, 5})
                EXPECT_LT(metrics.horizontalAdvance(g.GetValueRowCol(row, column)), g.GetColWidth(column) - 4)
                    << "group " << group << " row " << row << ": " << g.GetValueRowCol(row, column).toStdString();
    }
    EXPECT_EQ(system.GetRowHeight(0), 25);
    EXPECT_EQ(system.GetRowHeight(5), 20);
    EXPECT_EQ(system.GetStyleRowCol(0, 1).choiceList.value_or(QString()), "Object Num");
    EXPECT_EQ(system.GetValueRowCol(0, 8), "Max. Value");
    // Row 6: 0x2005, servo off only (blue number), limits 0..1, default 0.
    EXPECT_EQ(system.GetStyleRowCol(6, 1).choiceList.value_or(QString()), "0x2005");
    EXPECT_EQ(system.GetStyleRowCol(6, 1).textColor.value_or(kBlack), kBlue);
    EXPECT_EQ(system.GetStyleRowCol(1, 1).textColor.value_or(kBlack), kRed) << "power cycle: red";
    EXPECT_EQ(system.GetStyleRowCol(2, 1).textColor.value_or(kBlack), kBlack);
    EXPECT_EQ(system.GetValueRowCol(6, 3), "Rotation Direction");
    EXPECT_EQ(system.GetValueRowCol(6, 7), "0");
    EXPECT_EQ(system.GetValueRowCol(6, 8), "1");
    EXPECT_TRUE(system.GetStyleRowCol(6, 1).IsCheckBox());
    EXPECT_EQ(system.GetStyleRowCol(6, 4).GetControl(), GX_IDS_CTRL_EDIT);
    EXPECT_NE(grid(0).GetStyleRowCol(1, 4).GetControl(), GX_IDS_CTRL_EDIT) << "status values are read-only";
}

TEST_F(Parameters, TheSeventhTabShowsTheFullclosedGroup)
{
    openWindow();
    EXPECT_EQ(dialog().currentGroup(), 0);
    selectGroup(7);
    EXPECT_EQ(dialog().tabControl().GetCurSel(), 6);
    EXPECT_EQ(dialog().currentGroup(), 7);
    EXPECT_TRUE(dialog().form(7)->isVisible());
    EXPECT_FALSE(dialog().form(0)->isVisible());
    EXPECT_EQ(dialog().currentForm(), dialog().form(7));
}

TEST_F(Parameters, ReadFetchesTheCheckedRowsOnly)
{
    openWindow();
    setDriveRegister(82, 250);  // Inertia Ratio
    setDriveRegister(86, 2);    // Encoder Type
    setDriveRegister(102, 0x0000);
    setDriveRegister(104, 0x0002); // 131072
    selectGroup(1);
    check(1, catalogue::kSystemInertia + 1);
    check(1, catalogue::kSystemPulses + 1);
    click(CParameterDlg::IDC_READ);

    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Read Success ! "});
    EXPECT_EQ(value(1, catalogue::kSystemInertia + 1), "250");
    EXPECT_EQ(valueColour(1, catalogue::kSystemInertia + 1), kRed);
    EXPECT_TRUE(valueBold(1, catalogue::kSystemInertia + 1));
    EXPECT_EQ(value(1, catalogue::kSystemPulses + 1), "131072");
    EXPECT_EQ(value(1, 4), "1") << "an unchecked row keeps its value";
    EXPECT_EQ(valueColour(1, 4), kBlack);
}

TEST_F(Parameters, ReadOfAValueEqualToItsDefaultIsRedButNotBold)
{
    openWindow();
    selectGroup(1);
    check(1, catalogue::kSystemInertia + 1);
    click(CParameterDlg::IDC_READ);
    EXPECT_EQ(value(1, catalogue::kSystemInertia + 1), "100");
    EXPECT_EQ(valueColour(1, catalogue::kSystemInertia + 1), kRed);
    EXPECT_FALSE(valueBold(1, catalogue::kSystemInertia + 1));
}

TEST_F(Parameters, ReadWithNothingCheckedStillSucceeds)
{
    openWindow();
    selectGroup(4);
    click(CParameterDlg::IDC_READ);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Read Success ! "});
}

TEST_F(Parameters, AllReadShowsWhatTheDriveHoldsNow)
{
    openWindow();
    setDriveRegister(176, 440); // Control: Notch Filter Frequency
    click(CParameterDlg::IDC_ALL_READ);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"All Read Success ! "});
    EXPECT_EQ(value(2, 2), "440");
    EXPECT_TRUE(valueBold(2, 2));
}

TEST_F(Parameters, AFailedAllReadNamesTheGroupAndKeepsTheValues)
{
    openWindow();
    sim->corruptNextReplies(16); // every attempt of the first block read, whatever else asks meanwhile
    click(CParameterDlg::IDC_ALL_READ);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.texts().front(), "Status Read Error");
    EXPECT_EQ(messages.count("All Read Success ! "), 0u);
    EXPECT_EQ(value(1, catalogue::kSystemInertia + 1), "100");
    EXPECT_EQ(frame->drive().generalBusy.load(), 0);
}

// --- the window's life ----------------------------------------------------------

TEST_F(Parameters, ExitDestroysTheWindowAndTheNextOpeningReadsAgain)
{
    openWindow();
    QPointer<CParameterDlg> first = &dialog();
    click(CParameterDlg::IDC_EXIT);
    EXPECT_EQ(window->dialog(), nullptr);
    EXPECT_FALSE(first->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull()) << "EXIT destroys the window";

    setDriveRegister(82, 321);
    openWindow();
    EXPECT_NE(&dialog(), first.data());
    EXPECT_EQ(value(1, catalogue::kSystemInertia + 1), "321");
}

TEST_F(Parameters, OpeningAgainWhileOpenShowsTheSameWindowWithoutReading)
{
    openWindow();
    type(1, catalogue::kSystemInertia + 1, "777");
    CParameterDlg *first = &dialog();
    openWindow();
    EXPECT_EQ(&dialog(), first);
    EXPECT_EQ(value(1, catalogue::kSystemInertia + 1), "777");
}

TEST_F(Parameters, EscapeDoesNotCloseTheWindow)
{
    openWindow();
    QTest::keyClick(dialog().form(0), Qt::Key_Escape);
    QTest::keyClick(&grid(0), Qt::Key_Escape);
    QTest::keyClick(&dialog(), Qt::Key_Escape);
    pump();
    ASSERT_NE(window->dialog(), nullptr);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_TRUE(dialog().form(0)->isVisible());
}

TEST_F(Parameters, ClosingTheWindowIsAnExit)
{
    openWindow();
    dialog().close();
    pump();
    EXPECT_EQ(window->dialog(), nullptr);
}

TEST_F(Parameters, WithTheLinkClosedTheCommandsAreOffAndNothingIsRead)
{
    frame->OnCommand(Command::Disconnect);
    pump();
    messages.clear();
    openWindow();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Communication Connection Error "});
    for (auto id : {CParameterDlg::IDC_ALL_WRITE, CParameterDlg::IDC_WRITE, CParameterDlg::IDC_ALL_READ,
                    CParameterDlg::IDC_READ})
        EXPECT_FALSE(dialog().button(id)->isEnabled());
    EXPECT_EQ(value(1, catalogue::kSystemInertia + 1), "") << "the grids keep the catalogue texts only";
    EXPECT_EQ(grid(1).GetValueRowCol(catalogue::kSystemInertia + 1, CParameterFormDlg::kColDefault), "100");
}

TEST_F(Parameters, MonitoringTurnsAllWriteOffUntilItStops)
{
    openWindow();
    frame->OnCommand(Command::Start);
    pump(50);
    EXPECT_FALSE(dialog().button(CParameterDlg::IDC_ALL_WRITE)->isEnabled());
    EXPECT_TRUE(dialog().button(CParameterDlg::IDC_WRITE)->isEnabled());
    frame->OnCommand(Command::Stop);
    pump(50);
    EXPECT_TRUE(dialog().button(CParameterDlg::IDC_ALL_WRITE)->isEnabled());
}

// --- while the groups are read ------------------------------------------------

// Records, on the user-interface thread, what the user could see while the
// opening read ran: whether the note was painted while the drive was being
// asked, and which groups it named. A timer asks the note to repaint every
// few milliseconds, as the window system does when windows move over it.
struct OpeningWatch : QObject {
    CParameterWindow *window = nullptr;
    DriveConnection *drive = nullptr;
    int notePaintsWhileBusy = 0;
    std::vector<QString> progress;

    bool eventFilter(QObject *target, QEvent *event) override
    {
        CPmessageDlg *note = window ? window->note() : nullptr;
        if (!note)
            return false;
        auto *widget = qobject_cast<QWidget *>(target);
        if (event->type() == QEvent::Paint && widget && (widget == note || note->isAncestorOf(widget)) &&
            drive->generalBusy.load() == 1)
            ++notePaintsWhileBusy;
        if (progress.empty() || progress.back() != note->progressText())
            progress.push_back(note->progressText());
        return false;
    }
};

class PacedParameters : public ParameterSession {
protected:
    void SetUp() override { startSession(DriveKind::Virtual, true); }
};

TEST_F(PacedParameters, TheNoteIsPaintedAndNamesEachGroupWhileTheGroupsAreRead)
{
    OpeningWatch watch;
    watch.window = window;
    watch.drive = &frame->drive();
    QTimer exposer;
    QObject::connect(&exposer, &QTimer::timeout, [&] {
        if (CPmessageDlg *note = window->note())
            note->update();
    });
    exposer.start(2);
    qApp->installEventFilter(&watch);
    openWindow();
    qApp->removeEventFilter(&watch);
    exposer.stop();

    EXPECT_GT(watch.notePaintsWhileBusy, 0) << "the note must be drawn while the drive answers";
    std::vector<QString> named;
    for (const QString &text : watch.progress)
        if (!text.isEmpty())
            named.push_back(text);
    const std::vector<QString> expected{"Reading Status ...",         "Reading System ...",
                                        "Reading Control ...",        "Reading In/Out ...",
                                        "Reading SpeedOperation ...", "Reading PositionOperation ...",
                                        "Reading Fullclosed ..."};
    EXPECT_EQ(named, expected);
    EXPECT_EQ(window->note(), nullptr) << "the note goes when the window shows";
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_FALSE(dialog().isOpening());
    EXPECT_EQ(dialog().progressLine().text(), "");
}

TEST_F(PacedParameters, TheProgressLineNamesTheGroupBeingWritten)
{
    openWindow();
    std::vector<QString> seen;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const QString text = dialog().progressLine().text();
        if (!text.isEmpty() && (seen.empty() || seen.back() != text))
            seen.push_back(text);
    });
    sampler.start(1);
    click(CParameterDlg::IDC_ALL_WRITE);
    sampler.stop();
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Write Success, You need to on/off control power!"});
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "Writing System ...");
    EXPECT_EQ(seen.back(), "Writing Fullclosed ...");
    EXPECT_EQ(dialog().progressLine().text(), "");
}

// --- typing -------------------------------------------------------------------------

TEST_F(Parameters, AValueBeingTypedIsKeptWhenTheTabChanges)
{
    openWindow();
    selectGroup(1);
    showActive(dialog());
    CSelectAllGridWnd &system = grid(1);
    const QModelIndex cell = system.model()->index(catalogue::kSystemInertia, CParameterFormDlg::kColValue - 1);
    system.setCurrentIndex(cell);
    system.edit(cell);
    pump();
    ASSERT_TRUE(system.isEditing());
    auto *editor = system.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("4321"));

    selectGroup(2);
    selectGroup(1);
    EXPECT_EQ(value(1, catalogue::kSystemInertia + 1), "4321");
    EXPECT_FALSE(system.isEditing());
}

TEST_F(Parameters, AValueStillBeingTypedIsTheOneWritten)
{
    openWindow();
    selectGroup(1);
    showActive(dialog());
    CSelectAllGridWnd &system = grid(1);
    check(1, catalogue::kSystemInertia + 1);
    const QModelIndex cell = system.model()->index(catalogue::kSystemInertia, CParameterFormDlg::kColValue - 1);
    system.setCurrentIndex(cell);
    system.edit(cell);
    pump();
    auto *editor = system.viewport()->findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("555"));
    click(CParameterDlg::IDC_WRITE);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{" Write Success !"});
    EXPECT_EQ(driveRegister(82), 555);
}

// --- the frame's own factory --------------------------------------------------------

TEST(ParameterEditingCommand, TheProgramsWindowListOpensTheParameterWindow)
{
    const FeatureWindowFactories installed = installedFeatureWindows();
    ASSERT_EQ(installed.all().count(FeatureKind::Parameters), 1u);
    auto made = installed.all().at(FeatureKind::Parameters)(nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->kind(), FeatureKind::Parameters);
    EXPECT_NE(dynamic_cast<CParameterWindow *>(made.get()), nullptr);
}

class ProgramSession : public ParameterSession {
protected:
    void SetUp() override
    {
        sim = startVirtualDrive(false, catalogueDefaults());
        ASSERT_TRUE(sim);
        startFrame({}, installedFeatureWindows());
        chooseSettings(sim->devicePath());
        frame->OnCommand(Command::Connect);
        pump();
        messages.clear();
    }
};

TEST_F(ProgramSession, ParameterEditingOpensTheWindowWithTheDrivesValues)
{
    EXPECT_TRUE(frame->isCommandEnabled(Command::ParameterEditing));
    frame->OnCommand(Command::ParameterEditing);
    pump();
    CParameterDlg *opened = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *candidate = qobject_cast<CParameterDlg *>(widget); candidate && candidate->isVisible())
            opened = candidate;
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(messages.empty()) << messages.texts().front();
    EXPECT_EQ(opened->form(0)->grid().GetValueRowCol(catalogue::kStatusVersion + 1, 4), "A0.27.3");
    EXPECT_EQ(frame->drive().activeFeatureCode(), feature_code::kParameters);
    EXPECT_EQ(frame->drive().generalBusy.load(), 0);
}

} // namespace
} // namespace tarvex::test
