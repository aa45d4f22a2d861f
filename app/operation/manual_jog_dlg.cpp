#include "app/operation/manual_jog_dlg.h"

#include "app/operation/color_button.h"
#include "drive/connection/commands.h"
#include "app/operation/dialog_buttons.h"
#include "drive/connection/drive_connection.h"
#include "app/operation/modeless_window.h"
#include "drive/text/number_text.h"
#include "drive/motion/operation_registers.h"
#include "drive/motion/register_access.h"
#include "app/ui/ui_wait.h"
#include "app/ui/window_keys.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <thread>
#include <utility>

namespace tarvex {

using namespace std::chrono_literals;

namespace {

constexpr auto kServoOnSettle = 500ms;
constexpr auto kAfterServoCommand = 30ms;
constexpr auto kBeforeClose = 100ms;
constexpr auto kSpeedDisplayPeriod = 10ms;
constexpr auto kFollowPeriod = 200ms;
constexpr auto kFollowSlice = 10ms;

QString signedText(std::uint16_t raw) { return QString::number(static_cast<std::int16_t>(raw)); }

} // namespace

CManualJogDlg::CManualJogDlg(QWidget *parent)
    : QDialog(parent),
      m_windowHook([this](QEvent &event) { return filterWindowEvent(event); })
{
    setWindowTitle(QStringLiteral("Manual JOG Operation"));
    // A title bar without system menu or close box: EXIT is the way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(false);

    auto *speedGroup = new QGroupBox(QStringLiteral("Manual Operation Speed"), this);
    m_speedSlider = new QSlider(Qt::Horizontal, speedGroup);
    m_speedSlider->setRange(0, kSpeedSliderMax);
    m_speedEdit = new QLineEdit(speedGroup);
    m_speedEdit->setMaxLength(32);
    m_speedSet = new QPushButton(QStringLiteral("SpeedSet"), speedGroup);
    m_servo = new QPushButton(QStringLiteral("Servo ON"), speedGroup);
    auto *speedGrid = new QGridLayout(speedGroup);
    speedGrid->addWidget(new QLabel(QStringLiteral("Manual Operation Speed"), speedGroup), 0, 0, 1, 3);
    speedGrid->addWidget(m_speedSlider, 1, 0, 1, 3);
    speedGrid->addWidget(m_speedEdit, 2, 0);
    speedGrid->addWidget(m_speedSet, 2, 1);
    speedGrid->addWidget(m_servo, 2, 2);

    auto *currentGroup = new QGroupBox(QStringLiteral("Current Speed"), this);
    m_currentSpeed = new QLineEdit(currentGroup);
    m_currentSpeed->setReadOnly(true);
    m_currentSpeed->setAlignment(Qt::AlignCenter);
    auto *currentRow = new QHBoxLayout(currentGroup);
    currentRow->addWidget(new QLabel(QStringLiteral("Current Speed"), currentGroup));
    currentRow->addWidget(m_currentSpeed, 1);

    m_forward = new CColorButton(QStringLiteral("Forward"), this);
    m_reverse = new CColorButton(QStringLiteral("Reverse"), this);
    for (CColorButton *jog : {m_forward, m_reverse}) {
        jog->setMinimumSize(140, 90);
        QFont large = jog->font();
        large.setPointSize(large.pointSize() + 4);
        large.setBold(true);
        jog->setFont(large);
        // The window takes the press itself; the keyboard never jogs.
        jog->setFocusPolicy(Qt::NoFocus);
    }
    auto *jogRow = new QHBoxLayout;
    jogRow->addWidget(m_forward);
    jogRow->addWidget(m_reverse);

    m_lockButton = new QPushButton(QStringLiteral("LOCK"), this);
    m_stop = new QPushButton(QStringLiteral("STOP"), this);
    m_exit = new QPushButton(QStringLiteral("EXIT"), this);
    auto *bottomRow = new QHBoxLayout;
    bottomRow->addWidget(m_lockButton);
    bottomRow->addWidget(m_stop);
    bottomRow->addStretch(1);
    bottomRow->addWidget(m_exit);

    m_driveStatus = new QLabel(this);
    m_driveStatus->setWordWrap(true);
    m_driveStatus->setTextFormat(Qt::PlainText);
    m_driveStatus->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The line wraps within the width the controls give the window and has
    // room for the state and a refusal, so that the fixed-size window
    // neither jumps nor cuts the reason off as the texts change.
    m_driveStatus->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_driveStatus->setFixedHeight(6 * m_driveStatus->fontMetrics().lineSpacing());

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(speedGroup);
    layout->addWidget(currentGroup);
    layout->addLayout(jogRow);
    layout->addWidget(m_driveStatus);
    layout->addLayout(bottomRow);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    makeButtonsNonDefault(*this);
    addWindowKeys(*this, {nullptr, nullptr, nullptr, m_exit});

    // Slider and edit box in step. The slider clamps to its range, the edit
    // box does not: 7000 typed moves the slider to its end but stays 7000.
    connect(m_speedSlider, &QSlider::valueChanged, this,
            [this](int position) { m_speedEdit->setText(QString::number(position)); });
    connect(m_speedEdit, &QLineEdit::textChanged, this, [this](const QString &text) {
        const auto speed = strictDecimal(text.toStdString());
        if (!speed)
            return; // not a number yet: the slider stays where it was
        const QSignalBlocker quiet(m_speedSlider);
        m_speedSlider->setValue(static_cast<int>(std::clamp<std::int64_t>(*speed, m_speedSlider->minimum(),
                                                                          m_speedSlider->maximum())));
    });
    connect(m_speedSet, &QPushButton::clicked, this, &CManualJogDlg::OnSpeedSet);
    connect(m_servo, &QPushButton::clicked, this, &CManualJogDlg::OnServo);
    connect(m_lockButton, &QPushButton::clicked, this, &CManualJogDlg::OnLock);
    connect(m_stop, &QPushButton::clicked, this, &CManualJogDlg::OnStop);
    connect(m_exit, &QPushButton::clicked, this, &CManualJogDlg::OnExit);

}

CManualJogDlg::~CManualJogDlg()
{
    m_tearingDown = true;
    m_watchdogEntry.withdraw();
    m_motionEntry.withdraw();
    endWorker();
}

void CManualJogDlg::endWorker()
{
    m_shutDown = true;
    m_following = false;
    m_speedDisplay.waitUntilEnded(serveUiWhileWaiting);
    m_follower.waitUntilEnded(serveUiWhileWaiting);
}

// --- opening and closing --------------------------------------------------

void CManualJogDlg::attach(DriveConnection &drive)
{
    setDriveConnection(&drive);
    m_watchdogEntry.registerWith(drive.stalledFeatures());
    m_motionEntry.registerWith(drive.motionTools());
}

void CManualJogDlg::present()
{
    presentModeless(*this, [this] {
        m_shutDown = false;
        restoreTemplate();
        OnInitDialog();
        showCondition(readCondition());
        startFollowing();
    });
}

void CManualJogDlg::restoreTemplate()
{
    m_servoOn.set(false);
    m_servoButtonOffersOff = false;
    m_servo->setText(QStringLiteral("Servo ON"));
    m_lock = 0;
    m_lockButton->setText(QStringLiteral("LOCK"));
    m_stop->setEnabled(true);
    m_heldJog = 0;
    m_pressRefused = false;
    m_jogRunning = false;
    {
        const QSignalBlocker quiet(m_speedSlider);
        m_speedSlider->setValue(0);
    }
    {
        const QSignalBlocker quiet(m_speedEdit);
        m_speedEdit->clear();
    }
    m_currentSpeed->clear();
    m_driveStatus->clear();
    paintJogButtons(nullptr);
}

void CManualJogDlg::OnInitDialog()
{
    std::uint8_t status = 0;
    std::uint16_t speed = 0;
    m_savedJogSpeed.reset();
    if (JogSpeedAccess(kReadJogSpeed, 0, speed, status) != kServiceSuccess)
        return;
    m_savedJogSpeed = speed;
    {
        const QSignalBlocker quiet(m_speedSlider);
        m_speedSlider->setValue(speed);
    }
    m_speedEdit->setText(QString::number(speed));

    std::uint16_t current = 0;
    if (JogSpeedAccess(kReadCurrentSpeed, 0, current, status) != kServiceSuccess)
        return;
    m_currentSpeed->setText(signedText(current));
    m_stop->setEnabled(false); // only while the lock is engaged
}

void CManualJogDlg::OnExit()
{
    // The window goes only once the drive has stopped the jog and switched
    // the servo off; until then it keeps offering "Servo OFF" and EXIT
    // tries again.
    if (m_drive && !m_drive->bringToRest(*this))
        return;
    std::uint8_t status = 0;
    if (m_drive && m_drive->isLinkOpen()) {
        if (m_savedJogSpeed) {
            std::uint16_t unused = 0;
            JogSpeedAccess(kWriteJogSpeed, *m_savedJogSpeed, unused, status);
        }
    }
    m_following = false;
    pauseServingUi(kBeforeClose);
    m_servoOn.set(false);
    m_servoButtonOffersOff = false;
    m_lock = 0;
    m_heldJog = 0;
    m_jogRunning = false;
    paintJogButtons(nullptr);
    hide();
    if (m_drive)
        m_drive->motionToolClosed(*this);
}

// --- motion ----------------------------------------------------------------

bool CManualJogDlg::holdsMotion() const { return m_jogRunning || m_heldJog != 0 || servoBelievedOn(); }

std::int32_t CManualJogDlg::motionFeatureCode() const { return feature_code::kJog; }

bool CManualJogDlg::bringToRest()
{
    std::uint8_t status = 0;
    m_heldJog = 0;
    paintJogButtons(nullptr);
    commandSent();
    if (m_jogRunning) {
        if (JogOperationWrite(operation_value::kServoOn, status) != kServiceSuccess)
            return false;
        m_jogRunning = false;
    }
    if (servoBelievedOn()) {
        if (ServoOnWrite(operation_value::kServoOff, status) != kServiceSuccess)
            return false;
        showServoOff();
    }
    commandSent();
    return true;
}

void CManualJogDlg::showServoOff()
{
    m_servo->setText(QStringLiteral("Servo ON"));
    m_servoButtonOffersOff = false;
    m_servoOn.set(false);
    m_jogRunning = false;
}

void CManualJogDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_windowHook.watch(*this);
}

void CManualJogDlg::closeEvent(QCloseEvent *event) { event->ignore(); }

// --- speed and servo -------------------------------------------------------

void CManualJogDlg::OnSpeedSet()
{
    const auto speed = jogSpeedFromText(m_speedEdit->text().toStdString());
    if (!speed) {
        if (m_drive)
            m_drive->messages().show(kJogSpeedRefused);
        return;
    }
    std::uint8_t status = 0;
    std::uint16_t maximum = 0;
    if (JogSpeedAccess(kReadMaximumSpeed, 0, maximum, status) != kServiceSuccess)
        return; // reported; no speed is written unchecked
    if (*speed > maximum) {
        if (m_drive)
            m_drive->messages().show(kJogSpeedAboveMaximum, std::to_string(*speed) + " r/min was typed; the motor allows " +
                                                                std::to_string(maximum) + " r/min.");
        return;
    }
    std::uint16_t unused = 0;
    JogSpeedAccess(kWriteJogSpeed, *speed, unused, status);
}

bool CManualJogDlg::servoBelievedOn() const
{
    // After a stalled exchange the watchdog clears the servo-on state while
    // the button still offers "Servo OFF": the drive may well be on, so the
    // button and EXIT still switch it off.
    return m_servoOn.isOn() || m_servoButtonOffersOff;
}

void CManualJogDlg::OnServo()
{
    std::uint8_t status = 0;
    if (!servoBelievedOn()) {
        if (!m_drive || !m_drive->messages().ask("Do you want to operate Servo ON?", "WARNING")) {
            pauseServingUi(kAfterServoCommand);
            return;
        }
        if (m_drive->refuseMotionForAlarm()) {
            showCondition(readCondition());
            return;
        }
        commandSent();
        const int result = ServoOnWrite(operation_value::kServoOn, status);
        commandSent();
        pauseServingUi(kServoOnSettle);
        if (result != kServiceSuccess)
            return;
        m_servo->setText(QStringLiteral("Servo OFF"));
        m_servoButtonOffersOff = true;
        m_servoOn.set(true);
        startSpeedDisplay();
    } else {
        paintJogButtons(nullptr);
        commandSent();
        const int result = ServoOnWrite(operation_value::kServoOff, status);
        commandSent();
        if (result != kServiceSuccess)
            return;
        showServoOff();
        std::uint16_t current = 0;
        JogSpeedAccess(kReadCurrentSpeed, 0, current, status);
        m_currentSpeed->setText(signedText(current));
    }
    pauseServingUi(kAfterServoCommand);
}

// --- jogging -------------------------------------------------------------

void CManualJogDlg::OnLock()
{
    if (m_lock == 0) {
        m_lock = 1;
        m_lockButton->setText(QStringLiteral("UNLOCK"));
        m_stop->setEnabled(true);
        return;
    }
    m_lock = 0;
    m_lockButton->setText(QStringLiteral("LOCK"));
    m_stop->setEnabled(false);
    // STOP is disabled from now on, and no jog button is held: a jog the
    // lock kept going ends here rather than run on without a way to stop it.
    if (m_jogRunning && m_heldJog == 0) {
        paintJogButtons(nullptr);
        sendJogStop();
    }
}

void CManualJogDlg::OnStop()
{
    paintJogButtons(nullptr);
    // The stop command is "servo on with no motion": with the servo off
    // there is nothing to stop, and sending it would switch the servo on.
    if (!servoBelievedOn() && !m_jogRunning)
        return;
    // Nor when the drive's servo went off behind the window's back (an
    // alarm tripped it): the motor is not driven, and the stop would
    // energise it again.
    const DriveCondition condition = readCondition();
    if (condition.answered() && !condition.servoOn) {
        adoptServoOff();
        showCondition(condition);
        return;
    }
    std::uint8_t status = 0;
    commandSent();
    const int result = JogOperationWrite(operation_value::kServoOn, status);
    commandSent();
    if (result != kServiceSuccess) {
        if (m_drive)
            m_drive->messages().show("Stop Error!");
        return;
    }
    m_jogRunning = false;
}

void CManualJogDlg::sendJogStop()
{
    std::uint8_t status = 0;
    commandSent();
    if (JogOperationWrite(operation_value::kServoOn, status) == kServiceSuccess)
        m_jogRunning = false;
    commandSent();
}

void CManualJogDlg::paintJogButtons(const CColorButton *pressed)
{
    m_forward->setBackgroundColor(pressed == m_forward ? CColorButton::kPressedJog
                                                       : CColorButton::kNormal);
    m_reverse->setBackgroundColor(pressed == m_reverse ? CColorButton::kPressedJog
                                                       : CColorButton::kNormal);
}

CColorButton *CManualJogDlg::jogButtonAt(const QPointF &windowPosition) const
{
    QWidget *under = childAt(windowPosition.toPoint());
    if (under == m_forward || under == m_reverse)
        return static_cast<CColorButton *>(under);
    return nullptr;
}

void CManualJogDlg::pressJog(CColorButton &button)
{
    const char *action = &button == m_forward ? "Forward" : "Reverse";
    // The drive is asked first: after an alarm or at the drive the servo
    // may be off whatever the window believes, and a jog the drive ignores
    // must not pass for one that went out.
    const DriveCondition condition = readCondition();
    m_pressRefused = true;
    if (!m_servoOn.isOn()) {
        if (condition.answered() && condition.alarm == 0) {
            showCondition(condition, std::string(action) + " does nothing: the servo is not switched on in this "
                                                           "window. Switch it on with \"Servo ON\" first.");
            if (m_drive)
                m_drive->messages().show("Operate SVON ON, first");
        } else if (m_drive) {
            showCondition(condition, motionRefusal(action, condition, *m_drive));
        }
        return;
    }
    if (!condition.canJog()) {
        if (condition.answered())
            adoptServoOff();
        if (m_drive)
            showCondition(condition, motionRefusal(action, condition, *m_drive));
        return;
    }
    m_pressRefused = false;
    showCondition(condition);
    paintJogButtons(&button);
    const std::uint16_t command =
        &button == m_forward ? operation_value::kJogForward : operation_value::kJogReverse;
    m_heldJog = command;
    std::uint8_t status = 0;
    commandSent();
    if (JogOperationWrite(command, status) == kServiceSuccess && m_heldJog == command)
        m_jogRunning = true;
    commandSent();
}

void CManualJogDlg::endHold(bool releasedOverJogButton)
{
    const bool wasHeld = m_heldJog != 0;
    // The release of a press that was refused has nothing to end: its stop
    // would only fail again (no link) or repeat what the line already says.
    const bool afterRefusal = std::exchange(m_pressRefused, false) && !wasHeld;
    m_heldJog = 0;
    if (m_lock != 0)
        return; // the lock keeps the jog going until STOP
    paintJogButtons(nullptr);
    // A jog that went out is stopped whatever the window now believes of
    // the servo (the watchdog may have cleared its state meanwhile).
    if (m_jogRunning || (m_servoOn.isOn() && !afterRefusal && (wasHeld || releasedOverJogButton)))
        sendJogStop();
}

bool CManualJogDlg::filterWindowEvent(QEvent &event)
{
    if (isEnterOrEscape(event))
        return true;
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto &mouse = static_cast<const QMouseEvent &>(event);
        if (mouse.button() != Qt::LeftButton)
            return false;
        const bool press = event.type() == QEvent::MouseButtonPress;
        // A new press while a jog is held: its release never came.
        if (press && m_heldJog != 0)
            endHold(false);
        CColorButton *jog = jogButtonAt(mouse.position());
        if (!jog)
            return false;
        // The second press of a double click arrives as a press and then
        // the double click itself; the press has done the work.
        if (press || m_heldJog == 0)
            pressJog(*jog);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto &mouse = static_cast<const QMouseEvent &>(event);
        if (mouse.button() == Qt::LeftButton)
            endHold(jogButtonAt(mouse.position()) != nullptr);
        return false;
    }
    case QEvent::MouseMove: {
        const auto &mouse = static_cast<const QMouseEvent &>(event);
        if (m_heldJog != 0 && !(mouse.buttons() & Qt::LeftButton))
            endHold(false); // the button is up, but no release reached the window
        return false;
    }
    case QEvent::FocusOut:
    case QEvent::WindowBlocked:
    case QEvent::Hide:
    case QEvent::UngrabMouse:
        // The release can no longer reach the window.
        if (m_heldJog != 0)
            endHold(false);
        return false;
    default:
        return false;
    }
}

bool CManualJogDlg::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::WindowDeactivate:
    case QEvent::WindowBlocked:
    case QEvent::Hide:
        if (m_heldJog != 0)
            endHold(false);
        break;
    default:
        break;
    }
    return QDialog::event(event);
}

// --- speed display thread ----------------------------------------------

void CManualJogDlg::startSpeedDisplay()
{
    m_speedDisplay.startIfIdle([this] { speedDisplayLoop(); },
                               [this] { return !m_displayFailed && !m_shutDown && m_servoOn.isOn(); });
}

void CManualJogDlg::speedDisplayLoop()
{
    m_displayFailed = false;
    while (m_servoOn.isOn() && !m_shutDown) {
        std::this_thread::sleep_for(kSpeedDisplayPeriod);
        std::uint8_t status = 0;
        std::uint16_t raw = 0;
        if (JogSpeedAccess(kReadCurrentSpeed, 0, raw, status) != kServiceSuccess) {
            m_displayFailed = true; // frozen until the servo is switched off and on
            return;
        }
        QMetaObject::invokeMethod(this, [this, raw] { showCurrentSpeed(raw); }, Qt::QueuedConnection);
    }
}

void CManualJogDlg::showCurrentSpeed(std::uint16_t raw)
{
    // A value read just before the servo went off must not overwrite the
    // speed the servo off has shown.
    if (m_tearingDown || !m_servoOn.isOn())
        return;
    m_currentSpeed->setText(signedText(raw));
}

// --- following the drive ---------------------------------------------------

DriveCondition CManualJogDlg::readCondition()
{
    if (!m_drive)
        return {};
    return readDriveCondition(*m_drive, &DriveConnection::jogBusy);
}

void CManualJogDlg::showCondition(const DriveCondition &condition, const std::string &refusal)
{
    if (!m_drive)
        return;
    std::string text = driveConditionText(condition, *m_drive);
    if (!refusal.empty())
        text += "\n" + refusal;
    m_driveStatus->setText(QString::fromStdString(text));
}

void CManualJogDlg::adoptServoOff()
{
    m_heldJog = 0;
    paintJogButtons(nullptr);
    showServoOff();
}

void CManualJogDlg::startFollowing()
{
    m_following = true;
    m_follower.startIfIdle([this] { followLoop(); }, [this] { return m_following && !m_shutDown; });
}

void CManualJogDlg::followLoop()
{
    while (m_following && !m_shutDown) {
        for (auto waited = 0ms; waited < kFollowPeriod && m_following && !m_shutDown; waited += kFollowSlice)
            std::this_thread::sleep_for(kFollowSlice);
        if (!m_following || m_shutDown)
            return;
        const std::uint64_t generation = m_commandGeneration.load();
        const DriveCondition condition = readCondition();
        QMetaObject::invokeMethod(this, [this, condition, generation] { followed(condition, generation); },
                                  Qt::QueuedConnection);
    }
}

void CManualJogDlg::followed(const DriveCondition &condition, std::uint64_t generation)
{
    if (m_tearingDown || !m_following || !isVisible())
        return;
    // A read that began before the latest command may show the drive as it
    // was before it; the next one tells.
    if (generation != m_commandGeneration.load())
        return;
    // A refusal stays on the line until the drive's condition changes.
    if (!m_drive)
        return;
    const QString conditionText = QString::fromStdString(driveConditionText(condition, *m_drive));
    if (m_driveStatus->text().section(QLatin1Char('\n'), 0, 0) != conditionText)
        m_driveStatus->setText(conditionText);
    if (condition.answered() && servoBelievedOn() && (!condition.servoOn || condition.alarm != 0))
        adoptServoOff();
}

} // namespace tarvex
