#include "app/operation/autotuning_dlg.h"

#include "drive/connection/commands.h"
#include "drive/text/number_text.h"

#include "app/operation/dialog_buttons.h"
#include "drive/connection/drive_connection.h"
#include "app/operation/motor_animation.h"
#include "drive/motion/operation_registers.h"
#include "drive/motion/register_access.h"
#include "app/ui/ui_wait.h"
#include "app/ui/window_keys.h"
#include "drive/snapshots/drive_snapshot.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <thread>

namespace tarvex {

using namespace std::chrono_literals;

namespace {

constexpr auto kPollPeriod = 100ms;
constexpr auto kPollSlice = 10ms; // how soon a wait notices the end of the run

constexpr const char *kReady = "Ready for Tuning";
constexpr const char *kUnknown = "-";
// The rows of the before and after comparison, in register order, the
// inertia last.
constexpr std::array<const char *, CAutotuningDlg::kComparedRows> kComparedNames{
    "Position Loop Gain 1 [1/s]", "Speed Loop Gain 1 [Hz]", "Speed Integral Time 1 [ms]",
    "Torque Command Filter 1 [0.01ms]", "Inertia Ratio [%]"};
constexpr const char *kTuning = "Start AutoGainTunning";
constexpr const char *kNoRevertQuestion =
    "The gains before the run could not be read, so the window cannot revert it. Start anyway?";

} // namespace

CAutotuningDlg::CAutotuningDlg(QWidget *parent)
    : QDialog(parent),
      m_windowHook([](QEvent &event) { return isEnterOrEscape(event); })
{
    setWindowTitle(QStringLiteral("Gain Auto Tuning"));

    auto *settingGroup = new QGroupBox(QStringLiteral("Tuning Setting"), this);
    m_distanceSlider = new QSlider(Qt::Horizontal, settingGroup);
    m_distanceSlider->setRange(kDistanceMin, kDistanceMax);
    m_distanceEdit = new QLineEdit(settingGroup);
    m_speedSlider = new QSlider(Qt::Horizontal, settingGroup);
    m_speedSlider->setRange(kSpeedSliderMin, kSpeedMax);
    m_speedEdit = new QLineEdit(settingGroup);
    for (QSlider *slider : {m_distanceSlider, m_speedSlider}) {
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setPageStep(1);
        slider->setMinimumWidth(160);
    }
    for (QLineEdit *edit : {m_distanceEdit, m_speedEdit}) {
        edit->setMaxLength(6);
        edit->setMaximumWidth(60);
        edit->setAlignment(Qt::AlignCenter);
    }
    auto *settingGrid = new QGridLayout(settingGroup);
    settingGrid->addWidget(new QLabel(QStringLiteral("Tuning Target Distance"), settingGroup), 0, 0);
    settingGrid->addWidget(m_distanceSlider, 0, 1);
    settingGrid->addWidget(m_distanceEdit, 0, 2);
    settingGrid->addWidget(new QLabel(QStringLiteral("Tuning Speed"), settingGroup), 1, 0);
    settingGrid->addWidget(m_speedSlider, 1, 1);
    settingGrid->addWidget(m_speedEdit, 1, 2);

    auto *statusGroup = new QGroupBox(QStringLiteral("Current Status"), this);
    m_animation = new CMotorAnimation(statusGroup);
    m_start = new QPushButton(QStringLiteral("Start"), statusGroup);
    m_status = new QLabel(statusGroup);
    QFont bold = m_status->font();
    bold.setPixelSize(16);
    bold.setWeight(QFont::Bold); // 700
    m_status->setFont(bold);
    QPalette red = m_status->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_status->setPalette(red);
    m_status->setMinimumWidth(200);
    auto *statusColumn = new QVBoxLayout;
    statusColumn->addWidget(m_start);
    statusColumn->addWidget(m_status);
    auto *statusRow = new QHBoxLayout(statusGroup);
    statusRow->addWidget(m_animation);
    statusRow->addLayout(statusColumn, 1);

    auto *resultGroup = new QGroupBox(QStringLiteral("Result Ineria"), this);
    m_before = new QLineEdit(resultGroup);
    m_after = new QLineEdit(resultGroup);
    for (QLineEdit *box : {m_before, m_after}) {
        box->setReadOnly(true);
        box->setAlignment(Qt::AlignCenter);
    }
    auto *resultRow = new QHBoxLayout(resultGroup);
    resultRow->addWidget(new QLabel(QStringLiteral("BEFORE"), resultGroup));
    resultRow->addWidget(m_before);
    resultRow->addWidget(new QLabel(QStringLiteral("AFTER"), resultGroup));
    resultRow->addWidget(m_after);

    auto *compareGroup = new QGroupBox(QStringLiteral("Tuning Result"), this);
    auto *compareGrid = new QGridLayout(compareGroup);
    compareGrid->addWidget(new QLabel(QStringLiteral("Before"), compareGroup), 0, 1, Qt::AlignCenter);
    compareGrid->addWidget(new QLabel(QStringLiteral("After"), compareGroup), 0, 2, Qt::AlignCenter);
    for (int row = 0; row < kComparedRows; ++row) {
        compareGrid->addWidget(new QLabel(QString::fromLatin1(kComparedNames[row]), compareGroup), row + 1, 0);
        for (int column = 0; column < 2; ++column) {
            auto *cell = new QLabel(compareGroup);
            cell->setAlignment(Qt::AlignCenter);
            cell->setMinimumWidth(60);
            m_compared[row][column] = cell;
            compareGrid->addWidget(cell, row + 1, column + 1);
        }
    }
    m_keep = new QPushButton(QStringLiteral("Keep"), compareGroup);
    m_revert = new QPushButton(QStringLiteral("Revert"), compareGroup);
    auto *choiceRow = new QHBoxLayout;
    choiceRow->addStretch(1);
    choiceRow->addWidget(m_keep);
    choiceRow->addWidget(m_revert);
    compareGrid->addLayout(choiceRow, kComparedRows + 1, 0, 1, 3);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(settingGroup);
    layout->addWidget(statusGroup);
    layout->addWidget(resultGroup);
    layout->addWidget(compareGroup);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    makeButtonsNonDefault(*this);
    addWindowKeys(*this);

    // Sliders and edit boxes in step: a slider moved by the user sets its
    // level; a level typed is taken when it lies in its range and moves the
    // slider (which shows the nearest it can).
    connect(m_distanceSlider, &QSlider::valueChanged, this, [this](int position) {
        m_distanceLevel = position;
        refreshLevels();
    });
    connect(m_speedSlider, &QSlider::valueChanged, this, [this](int position) {
        m_speedLevel = position;
        refreshLevels();
    });
    connect(m_distanceEdit, &QLineEdit::textEdited, this, [this] {
        takeTypedLevel(*m_distanceEdit, *m_distanceSlider, m_distanceLevel, kDistanceMin, kDistanceMax);
    });
    connect(m_speedEdit, &QLineEdit::textEdited, this, [this] {
        takeTypedLevel(*m_speedEdit, *m_speedSlider, m_speedLevel, kSpeedMin, kSpeedMax);
    });
    connect(m_start, &QPushButton::clicked, this, &CAutotuningDlg::OnStartStop);
    connect(m_keep, &QPushButton::clicked, this, &CAutotuningDlg::keepResult);
    connect(m_revert, &QPushButton::clicked, this, &CAutotuningDlg::revertResult);

    showIdle();
    refreshLevels();
    showComparison();
}

CAutotuningDlg::~CAutotuningDlg()
{
    m_tearingDown = true;
    m_windowOpen = false;
    m_watchdogEntry.withdraw();
    m_motionEntry.withdraw();
    endWorker();
}

void CAutotuningDlg::endWorker()
{
    m_shutDown = true;
    m_tuningPoll.waitUntilEnded(serveUiWhileWaiting);
}

// --- opening and closing --------------------------------------------------

void CAutotuningDlg::attach(DriveConnection &drive)
{
    setDriveConnection(&drive);
    m_watchdogEntry.registerWith(drive.stalledFeatures());
    m_motionEntry.registerWith(drive.motionTools());
}

void CAutotuningDlg::present()
{
    m_shutDown = false;
    OnInitDialog();
    exec();
    m_windowOpen = false;
}

void CAutotuningDlg::OnInitDialog()
{
    m_windowOpen = true;
    // A run that went on while the window was closed is still shown as one.
    if (holdsMotion())
        showRunning();
    else
        showIdle();
    m_before->clear();
    m_after->clear();
    m_savedSettings.reset();
    // The choice about a run ends with the window that showed it: what the
    // drive holds then stays.
    forgetTuning();
    showComparison();

    std::uint8_t status = 0;
    std::int16_t inertia = 0;
    if (InertiaRead(inertia, status) != kServiceSuccess)
        return;
    m_inertiaBefore = inertia;
    m_before->setText(QString::number(m_inertiaBefore));
    refreshLevels();

    TuningSettings settings;
    if (TuningSettingRead(settings, status) != kServiceSuccess)
        return;
    m_savedSettings = settings;
    {
        const QSignalBlocker quietDistance(m_distanceSlider);
        const QSignalBlocker quietSpeed(m_speedSlider);
        m_distanceSlider->setValue(settings.distanceLevel);
        m_speedSlider->setValue(settings.speedLevel);
    }
    // The levels are what the sliders can show of the drive's settings.
    m_distanceLevel = m_distanceSlider->value();
    m_speedLevel = m_speedSlider->value();
    refreshLevels();
}

void CAutotuningDlg::reject()
{
    // A run goes no further than the window: it is stopped first, and a
    // stop the drive did not take keeps the window open.
    if (m_drive && !m_drive->bringToRest(*this))
        return;
    if (m_savedSettings) {
        std::uint8_t status = 0;
        if (TuningSettingWrite(*m_savedSettings, status) != kServiceSuccess && m_drive)
            m_drive->messages().show("GainTuning Set Error!");
    }
    m_windowOpen = false;
    m_animation->Stop();
    QDialog::reject();
}

void CAutotuningDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_windowHook.watch(*this);
}

// --- levels ---------------------------------------------------------------

void CAutotuningDlg::refreshLevels()
{
    m_distanceEdit->setText(QString::number(m_distanceLevel));
    m_speedEdit->setText(QString::number(m_speedLevel));
}

void CAutotuningDlg::takeTypedLevel(QLineEdit &edit, QSlider &slider, int &level, int min, int max)
{
    if (edit.text().trimmed().isEmpty())
        return; // the user is still typing
    const auto value = strictDecimal(edit.text().toStdString());
    if (!value || *value < min || *value > max) {
        if (m_drive)
            m_drive->messages().show(integerRangeMessage(min, max));
        edit.setText(QString::number(level)); // refused: the level in force stays
        return;
    }
    level = static_cast<int>(*value);
    const QSignalBlocker quiet(slider);
    slider.setValue(level);
}

// --- start and stop --------------------------------------------------------

void CAutotuningDlg::showIdle()
{
    m_start->setText(QStringLiteral("Start"));
    m_buttonOffersStop = false;
    m_status->setText(QString::fromLatin1(kReady));
    m_animation->Stop();
    m_animation->Open();
}

void CAutotuningDlg::showRunning()
{
    m_start->setText(QStringLiteral("Stop"));
    m_buttonOffersStop = true;
    m_status->setText(QString::fromLatin1(kTuning));
    m_animation->Play();
}

void CAutotuningDlg::OnStartStop()
{
    // The button does what it offers.
    if (m_buttonOffersStop)
        stopRun();
    else
        startRun();
}

void CAutotuningDlg::startRun()
{
    if (!m_drive || !m_drive->messages().ask("Do you want start?", "WARNING"))
        return;
    if (m_drive->refuseMotionForAlarm())
        return;
    // A run rewrites gains nobody wrote down: every parameter is kept
    // first, so that File > Snapshots can put the whole set-up back.
    if (snapshots::hasParameterList(*m_drive) &&
        !snapshots::snapshotBeforeChange(*m_drive, "Auto Tuning", runKeepingUiAlive))
        return;

    std::uint8_t status = 0;
    std::int16_t inertia = 0;
    const bool inertiaRead = InertiaRead(inertia, status) == kServiceSuccess;
    // What the run may change, so that the window can revert it.
    if (!recordValuesBeforeRun(inertiaRead ? std::optional<std::int16_t>(inertia) : std::nullopt) &&
        !m_drive->messages().ask(kNoRevertQuestion, "WARNING")) {
        forgetTuning();
        showComparison();
        return;
    }
    m_inertiaBefore = inertiaRead ? inertia : std::int16_t{0};
    m_before->setText(QString::number(m_inertiaBefore));
    m_status->setText(QString::fromLatin1(kTuning));
    m_animation->Play();

    // A box left empty takes back the level in force.
    refreshLevels();
    const TuningSettings settings{static_cast<std::uint16_t>(m_speedLevel),
                                  static_cast<std::uint16_t>(m_distanceLevel)};
    if (TuningSettingWrite(settings, status) != kServiceSuccess)
        m_drive->messages().show("GainTuning Set Error!"); // the start is still tried
    showComparison();

    if (TuningCommandWrite(operation_value::kTuningStart, status) != kServiceSuccess) {
        m_drive->messages().show("GainTuning Start Error!");
        forgetTuning(); // nothing ran, nothing to revert
        showComparison();
        showIdle();
        return;
    }
    m_running.set(true);
    startTuningPoll();
    m_start->setText(QStringLiteral("Stop"));
    m_buttonOffersStop = true;
}

std::int32_t CAutotuningDlg::motionFeatureCode() const { return feature_code::kAutoTuning; }

bool CAutotuningDlg::sendStop()
{
    m_stopping = true;
    std::uint8_t status = 0;
    const bool stopped = TuningCommandWrite(operation_value::kTuningStop, status) == kServiceSuccess;
    if (stopped) {
        m_running.set(false);
        showIdle();
    }
    m_stopping = false;
    return stopped;
}

bool CAutotuningDlg::bringToRest() { return sendStop(); }

void CAutotuningDlg::stopRun()
{
    if (!m_drive || !m_drive->isLinkOpen()) {
        if (m_drive)
            m_drive->bringToRest(*this); // says what to do at the drive
        return;
    }
    if (!sendStop()) {
        // The run goes on, and the window keeps showing it with its Stop.
        if (m_drive)
            m_drive->messages().show("GainTuning Stop Error!");
        return;
    }
    showTuningStopped();
    // A stopped run may have changed the gains already.
    runEnded();
}

// --- the result: keep or revert ---------------------------------------------

void CAutotuningDlg::runEnded(const std::optional<TunedValues> &after)
{
    recordValuesAfterRun(after);
    showComparison();
}

void CAutotuningDlg::showComparison()
{
    const TuningComparison &comparison = tuningComparison();
    const std::array<const std::optional<TunedValues> *, 2> columns{&comparison.before, &comparison.after};
    for (int column = 0; column < 2; ++column) {
        const std::optional<TunedValues> &values = *columns[column];
        for (int row = 0; row < kComparedRows; ++row) {
            QString text = QString::fromLatin1(kUnknown);
            if (values)
                text = row < operation_register::kTunedGainCount
                           ? QString::number(values->gains[static_cast<std::size_t>(row)])
                           : QString::number(values->inertia);
            m_compared[row][column]->setText(text);
        }
    }
    m_keep->setEnabled(comparison.open);
    m_revert->setEnabled(comparison.revertible());
}

void CAutotuningDlg::keepResult()
{
    keepTuning();
    showComparison();
}

void CAutotuningDlg::revertResult()
{
    if (holdsMotion() || !tuningComparison().revertible())
        return; // only a run at rest is reverted
    const bool restored = revertTuning();
    showComparison();
    if (const auto &now = tuningComparison().after)
        m_after->setText(QString::number(now->inertia));
    if (!restored && m_drive)
        m_drive->messages().show("Tuning Revert Error!");
}

// --- tuning poll thread ----------------------------------------------------

void CAutotuningDlg::startTuningPoll()
{
    m_tuningPoll.startIfIdle([this] { tuningPollLoop(); },
                             [this] { return !m_shutDown && m_running.isOn(); });
}

void CAutotuningDlg::tuningPollLoop()
{
    const auto goingOn = [this] { return m_running.isOn() && !m_shutDown; };
    const auto mayFinish = [this, goingOn] { return goingOn() && !m_stopping; };
    while (goingOn()) {
        for (auto waited = 0ms; waited < kPollPeriod && goingOn(); waited += kPollSlice)
            std::this_thread::sleep_for(kPollSlice);
        if (!mayFinish())
            continue; // a stop is under way (or the run has ended): it decides
        const TuningPoll poll = PollTuningOnce(mayFinish);
        if (!poll.done || !mayFinish())
            continue; // still tuning, or a stop came meanwhile and has done the rest
        m_running.set(false);
        if (poll.stateUnknown) {
            // The drive did not say whether it still tunes: it is told to
            // stop, and the window shows the run until the drive takes it.
            std::uint8_t status = 0;
            const bool stopped =
                TuningCommandWrite(operation_value::kTuningStop, status) == kServiceSuccess;
            QMetaObject::invokeMethod(
                this,
                [this, stopped] {
                    if (m_tearingDown || m_running.isOn())
                        return;
                    if (stopped) {
                        m_buttonOffersStop = false;
                        if (m_windowOpen) {
                            showIdle();
                            runEnded(); // the failed run may have changed the gains
                        }
                    } else if (m_drive) {
                        m_drive->bringToRest(*this);
                    }
                },
                Qt::QueuedConnection);
            return;
        }
        // The run has finished and the drive has been told so.
        QMetaObject::invokeMethod(
            this,
            [this, inertia = poll.inertia, after = poll.after] {
                // A new run may have started meanwhile.
                if (m_tearingDown || m_running.isOn())
                    return;
                m_buttonOffersStop = false;
                if (!m_windowOpen)
                    return;
                if (inertia)
                    m_after->setText(QString::number(*inertia));
                else
                    m_after->clear(); // no result to show
                showIdle();
                runEnded(after);
            },
            Qt::QueuedConnection);
        return;
    }
    // Ended by a stop (which shows the rest itself), by the watchdog's reset
    // (after which the frame brings the tool to rest) or by the shutdown.
}

} // namespace tarvex
