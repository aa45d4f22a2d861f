#include "app/operation/program_jog_dlg.h"

#include "drive/connection/commands.h"
#include "drive/text/number_text.h"
#include "app/operation/dialog_buttons.h"
#include "drive/connection/drive_connection.h"
#include "app/operation/modeless_window.h"
#include "app/operation/motor_animation.h"
#include "drive/motion/jog_manual.h"
#include "drive/motion/register_access.h"
#include "drive/connection/shared_register.h"
#include "app/ui/ui_wait.h"
#include "app/ui/window_keys.h"
#include "drive/alarms/alarm_codes.h"
#include "drive/motion/drive_condition.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <limits>
#include <thread>

namespace tarvex {

using namespace std::chrono_literals;

namespace {

constexpr auto kStartSettle = 1000ms;
constexpr auto kBeforeClose = 500ms;
constexpr auto kSpeedPollPeriod = 10ms;
// Every so many speed reads the drive's alarm is read as well.
constexpr int kAlarmCheckRounds = 20;

constexpr std::array<const char *, operation_register::kProgramValues> kProgramLabels{
    "[0x2306]Program JOG Speed1", "[0x2307]Program JOG Speed2", "[0x2308]Program JOG Speed3",
    "[0x2309]Program JOG Speed4", "[0x230A]Program JOG Time1",  "[0x230B]Program JOG Time2",
    "[0x230C]Program JOG Time3",  "[0x230D]Program JOG Time4"};

QString signedText(std::uint16_t raw) { return QString::number(static_cast<std::int16_t>(raw)); }

} // namespace

CProgramJogDlg::CProgramJogDlg(QWidget *parent)
    : QDialog(parent),
      m_windowHook([](QEvent &event) { return isEnterOrEscape(event); })
{
    setWindowTitle(QStringLiteral("Program_JOG"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);

    auto *programGroup = new QGroupBox(QStringLiteral("Program JOG Parameter"), this);
    auto *grid = new QGridLayout(programGroup);
    constexpr int kSteps = operation_register::kProgramValues / 2;
    for (int i = 0; i < operation_register::kProgramValues; ++i) {
        auto *edit = new QLineEdit(programGroup);
        edit->setMaxLength(16);
        edit->setAlignment(Qt::AlignRight);
        m_programEdits[static_cast<std::size_t>(i)] = edit;
        const bool time = i >= kSteps;
        const int row = i % kSteps;
        const int column = time ? 3 : 0;
        grid->addWidget(new QLabel(QString::fromLatin1(kProgramLabels[static_cast<std::size_t>(i)]),
                                   programGroup),
                        row, column);
        grid->addWidget(edit, row, column + 1);
        grid->addWidget(new QLabel(time ? QStringLiteral("[ms]") : QStringLiteral("[RPM]"), programGroup),
                        row, column + 2);
    }
    grid->setColumnMinimumWidth(2, 40);
    m_apply = new QPushButton(QStringLiteral("Apply"), programGroup);
    grid->addWidget(m_apply, kSteps, 4, 1, 2);

    m_animation = new CMotorAnimation(this);
    m_currentSpeed = new QLineEdit(this);
    m_currentSpeed->setReadOnly(true);
    m_currentSpeed->setAlignment(Qt::AlignCenter);
    m_start = new QPushButton(QStringLiteral("Start"), this);
    m_exit = new QPushButton(QStringLiteral("EXIT"), this);
    auto *speedColumn = new QVBoxLayout;
    speedColumn->addWidget(new QLabel(QStringLiteral("Current Speed"), this));
    speedColumn->addWidget(m_currentSpeed);
    auto *buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(m_start);
    buttonColumn->addWidget(m_exit);
    auto *bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_animation);
    bottomRow->addLayout(speedColumn, 1);
    bottomRow->addLayout(buttonColumn);

    m_runStatus = new QLabel(this);
    m_runStatus->setWordWrap(true);
    m_runStatus->setTextFormat(Qt::PlainText);
    // Wrapped within the window's width, with room kept for the reason, so
    // that the fixed-size window does not change its size when it shows.
    m_runStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_runStatus->setFixedHeight(3 * m_runStatus->fontMetrics().lineSpacing());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(programGroup);
    layout->addLayout(bottomRow);
    layout->addWidget(m_runStatus);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    makeButtonsNonDefault(*this);
    addWindowKeys(*this, {nullptr, nullptr, nullptr, m_exit});

    connect(m_apply, &QPushButton::clicked, this, &CProgramJogDlg::OnApply);
    connect(m_start, &QPushButton::clicked, this, &CProgramJogDlg::OnStartStop);
    connect(m_exit, &QPushButton::clicked, this, &CProgramJogDlg::OnExit);

}

CProgramJogDlg::~CProgramJogDlg()
{
    m_tearingDown = true;
    m_watchdogEntry.withdraw();
    m_motionEntry.withdraw();
    endWorker();
}

void CProgramJogDlg::endWorker()
{
    m_shutDown = true;
    m_speedPoll.waitUntilEnded(serveUiWhileWaiting);
}

// --- opening and closing --------------------------------------------------

void CProgramJogDlg::attach(DriveConnection &drive)
{
    setDriveConnection(&drive);
    m_watchdogEntry.registerWith(drive.stalledFeatures());
    m_motionEntry.registerWith(drive.motionTools());
}

void CProgramJogDlg::present()
{
    presentModeless(*this, [this] {
        m_shutDown = false;
        restoreTemplate();
        OnInitDialog();
    });
}

void CProgramJogDlg::restoreTemplate()
{
    for (QLineEdit *edit : m_programEdits)
        edit->clear();
    m_currentSpeed->clear();
    m_runStatus->clear();
    m_start->setText(QStringLiteral("Start"));
    m_buttonOffersStop = false;
    m_animation->Open();
}

void CProgramJogDlg::OnInitDialog()
{
    std::uint8_t status = 0;
    std::uint16_t speed = 0;
    if (ProgramJogAccess(kReadProgram, speed, status) != kServiceSuccess)
        return; // the boxes stay empty; the window is still usable
    m_editValues = m_program;
    if (ProgramJogAccess(kReadCurrentSpeed, speed, status) != kServiceSuccess)
        return;
    m_currentSpeed->setText(QStringLiteral("0"));
    for (std::size_t i = 0; i < m_editValues.size(); ++i)
        m_programEdits[i]->setText(QString::number(m_editValues[i]));
    m_animation->Open();
}

void CProgramJogDlg::OnExit()
{
    // A run the drive has not confirmed stopped keeps the window open,
    // showing the run and its Stop; EXIT tries the stop again.
    if (m_drive && !m_drive->bringToRest(*this))
        return;
    m_running.set(false);
    pauseServingUi(kBeforeClose);
    hide();
    if (m_drive)
        m_drive->motionToolClosed(*this);
}

std::int32_t CProgramJogDlg::motionFeatureCode() const { return feature_code::kJog; }

bool CProgramJogDlg::bringToRest()
{
    std::uint8_t status = 0;
    if (ProgramJogOperationWrite(operation_value::kProgramStop, status) != kServiceSuccess)
        return false; // the run is still shown: the drive may well go on
    m_running.set(false);
    showIdle();
    m_currentSpeed->setText(QStringLiteral("0"));
    return true;
}

void CProgramJogDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_windowHook.watch(*this);
}

void CProgramJogDlg::closeEvent(QCloseEvent *event) { event->ignore(); }

// --- the program -----------------------------------------------------------

void CProgramJogDlg::OnApply()
{
    // Every box must hold a signed 16-bit integer before anything is
    // written: the drive then holds exactly what the boxes show, never a mix
    // of new values and old ones.
    JogProgram values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto value = strictSigned16(m_programEdits[i]->text().toStdString());
        if (!value) {
            if (m_drive)
                m_drive->messages().show(integerRangeMessage(std::numeric_limits<std::int16_t>::min(),
                                                             std::numeric_limits<std::int16_t>::max()));
            m_programEdits[i]->setFocus();
            m_programEdits[i]->selectAll();
            return;
        }
        values[i] = *value;
    }
    std::uint8_t status = 0;
    std::uint16_t unused = 0;
    if (!speedsWithinMaximum(values) || !confirmSharedRegister(values[values.size() - 1]))
        return;
    m_editValues = values;
    m_program = values;
    ProgramJogAccess(kWriteProgram, unused, status);
}

// The four step speeds come first; none may lie above the motor's maximum
// speed, in either direction.
bool CProgramJogDlg::speedsWithinMaximum(const JogProgram &values)
{
    if (!m_drive)
        return true;
    std::uint8_t status = 0;
    std::uint16_t maximum = 0;
    if (RegisterAccess(m_drive, &DriveConnection::jogBusy)
            .readOne(operation_register::kMaximumSpeed, maximum, status, "Maximum Speed Read Error") != kServiceSuccess)
        return false; // reported; nothing is written unchecked
    for (std::size_t i = 0; i < kProgramSpeeds; ++i) {
        if (std::abs(int{values[i]}) <= maximum)
            continue;
        m_drive->messages().show(kJogSpeedAboveMaximum, "Speed " + std::to_string(i + 1) + ": " +
                                                            std::to_string(values[i]) +
                                                            " r/min; the motor allows " + std::to_string(maximum) +
                                                            " r/min.");
        m_programEdits[i]->setFocus();
        m_programEdits[i]->selectAll();
        return false;
    }
    return true;
}

// The last step time shares its register with the notch filter's switch.
// What the drive holds now (another window may have written it since this
// one read it) decides whether this write changes the notch filter.
bool CProgramJogDlg::confirmSharedRegister(std::int16_t time4)
{
    if (!m_drive)
        return true;
    std::uint8_t status = 0;
    std::uint16_t unused = 0;
    if (ProgramJogAccess(kReadProgram, unused, status) != kServiceSuccess)
        return false; // reported; nothing is written blind
    const std::int16_t held = m_program[m_program.size() - 1];
    return held == time4 ||
           m_drive->messages().ask(shared_register::question(shared_register::kJogTime4Name, time4,
                                                             shared_register::kNotchUseName, held),
                                   shared_register::kQuestionCaption);
}

// --- start and stop --------------------------------------------------------

void CProgramJogDlg::OnStartStop()
{
    // The button does what it offers: after a watchdog reset it still
    // offers "Stop" and then stops the drive rather than ask to start it.
    if (m_buttonOffersStop) {
        if (m_drive)
            m_drive->bringToRest(*this);
    } else {
        startRun();
    }
}

void CProgramJogDlg::startRun()
{
    if (!m_drive ||
        !m_drive->messages().ask("  First, you should check SVON status if it is OFF !!", "WARNING"))
        return;
    if (m_drive->refuseMotionForAlarm())
        return;
    m_start->setText(QStringLiteral("Stop"));
    m_buttonOffersStop = true;
    std::uint8_t status = 0;
    const int result = ProgramJogOperationWrite(operation_value::kProgramStart, status);
    pauseServingUi(kStartSettle);
    if (result != kServiceSuccess) {
        // Nothing runs: the button offers the start again.
        m_start->setText(QStringLiteral("Start"));
        m_buttonOffersStop = false;
        return;
    }
    m_runStatus->clear();
    m_animation->Play();
    m_running.set(true);
    startSpeedPoll();
}

void CProgramJogDlg::showIdle()
{
    m_start->setText(QStringLiteral("Start"));
    m_buttonOffersStop = false;
    m_animation->Stop();
    m_animation->Open();
}

// --- speed poll thread -----------------------------------------------------

// An alarm ends the drive's program by itself: the window stops offering a
// run that no longer goes on, and says why, rather than show a run that
// stands still. Poll thread.
bool CProgramJogDlg::endRunOnAlarm()
{
    if (!m_drive)
        return false;
    const DriveCondition condition = readDriveCondition(*m_drive, &DriveConnection::jogBusy);
    if (!condition.answered() || condition.alarm == 0 || !m_running.isOn())
        return false;
    m_running.set(false);
    std::uint8_t status = 0;
    // The drive has dropped the run; the stop keeps it from resuming once
    // the alarm is reset.
    const bool stopped = ProgramJogOperationWrite(operation_value::kProgramStop, status) == kServiceSuccess;
    const QString reason = QStringLiteral("The program jog has ended: the drive has the active alarm ") +
                           QString::fromStdString(alarms::activeAlarmText(condition.alarm)) +
                           QStringLiteral(". Remove its cause and reset it (Alarm > Alarm Reset) before starting again.");
    QMetaObject::invokeMethod(
        this,
        [this, stopped, reason] {
            if (m_tearingDown || m_running.isOn())
                return;
            m_runStatus->setText(reason);
            m_currentSpeed->setText(QStringLiteral("0"));
            if (stopped)
                showIdle();
            else if (m_drive)
                m_drive->bringToRest(*this);
        },
        Qt::QueuedConnection);
    return true;
}

void CProgramJogDlg::startSpeedPoll()
{
    m_speedPoll.startIfIdle([this] { speedPollLoop(); },
                            [this] { return !m_shutDown && m_running.isOn(); });
}

void CProgramJogDlg::speedPollLoop()
{
    int round = 0;
    while (m_running.isOn() && !m_shutDown) {
        std::this_thread::sleep_for(kSpeedPollPeriod);
        if (++round % kAlarmCheckRounds == 0 && endRunOnAlarm())
            return;
        std::uint8_t status = 0;
        std::uint16_t raw = 0;
        if (ProgramJogAccess(kReadCurrentSpeed, raw, status) != kServiceSuccess) {
            if (!m_running.isOn())
                return; // stopped meanwhile: nothing left to stop
            // The speed is no longer known: the run is stopped. The window
            // shows it idle only once the drive has taken the stop; else it
            // keeps offering Stop, which tries again.
            m_running.set(false);
            const bool stopped =
                ProgramJogOperationWrite(operation_value::kProgramStop, status) == kServiceSuccess;
            QMetaObject::invokeMethod(
                this,
                [this, stopped] {
                    if (m_tearingDown || m_running.isOn())
                        return;
                    if (stopped)
                        showIdle();
                    else if (m_drive)
                        m_drive->bringToRest(*this);
                },
                Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(
            this,
            [this, raw] {
                // Values read before a stop must not overwrite its 0.
                if (!m_tearingDown && m_running.isOn())
                    m_currentSpeed->setText(signedText(raw));
            },
            Qt::QueuedConnection);
    }
}

} // namespace tarvex
