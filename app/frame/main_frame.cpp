#include "app/frame/main_frame.h"

#include "app/ui/settings/window_size_keeper.h"

#include "app/frame/about_dialog.h"
#include "drive/alarms/alarm_codes.h"
#include "app/frame/application_looks.h"
#include "app/frame/comm_set_dialog.h"
#include "drive/connection/command_reasons.h"
#include "app/frame/command_tip.h"
#include "app/frame/recording_recovery.h"
#include "app/frame/qt_message_service.h"
#include "app/ui/settings/recent_files.h"
#include "app/frame/recent_files_menu.h"
#include "app/frame/upgrade_snapshot.h"
#include "app/parameters/snapshots_dlg.h"
#include "drive/snapshots/drive_snapshot.h"
#include "app/monitor/static_panes.h"
#include "app/monitor/status_recording.h"
#include "app/monitor/trend_pane.h"
#include "app/monitor/link_statistics_pane.h"
#include "app/monitor/ticked_rows_memory.h"
#include "app/ui/ui_wait.h"
#include "app/ui/settings/user_settings.h"
#include "app/ui/settings/window_size_keeper.h"
#include "drive/connection/catalogue_coverage.h"
#include "app/frame/font_coverage.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMenuBar>
#include <QPixmap>
#include <QProcess>
#include <QStatusBar>
#include <QStyle>
#include <QToolButton>
#include <QToolBar>
#include <QUrl>

namespace tarvex {

namespace {

struct CommandLook {
    Command command;
    const char *text; // with the menu's Alt+letter after the '&'

    const char *icon; // resource name under :/tarvex/, or nullptr
};

constexpr CommandLook kCommandLooks[] = {
    {Command::New, "&NEW", "new"},
    {Command::Exit, "E&xit Tarvex", "exit"},
    {Command::CommunicationSetting, "Communication &Setting", "comm_setting"},
    {Command::Connect, "&Connect", "connect"},
    {Command::Disconnect, "&Disconnect", "disconnect"},
    {Command::ParameterEditing, "&Parameter Editing", "parameter"},
    {Command::TriggerMonitoring, "&Trigger Monitoring", "trigger"},
    {Command::Start, "&Start", "start"},
    {Command::Stop, "S&top", "stop"},
    {Command::DataTrace, "&Data Trace", "data_trace"},
    {Command::ManualJog, "&Manual JOG Operation", "manual_jog"},
    {Command::GainAutoTuning, "&Gain Auto Tuning", "gain_tuning"},
    {Command::ProgramJog, "&Program JOG Operation", "program_jog"},
    {Command::AlarmTrace, "Alarm &Trace", "alarm_trace"},
    {Command::AlarmHistory, "Alarm &History", "alarm_history"},
    {Command::AlarmReset, "Alarm &Reset", "alarm_reset"},
    {Command::UserManual, "&User Manual", "user_manual"},
    {Command::About, "&About Tarvex", "about"},
    {Command::OsUpgrade, "&OS Upgrade", "os_upgrade"},
};

// The toolbar's buttons in order; a null entry is a separator.
constexpr std::optional<Command> kToolBarOrder[] = {
    Command::New,          std::nullopt,          Command::CommunicationSetting,
    Command::Connect,      Command::Disconnect,   std::nullopt,
    Command::Start,        Command::Stop,         std::nullopt,
    Command::ParameterEditing, std::nullopt,      Command::ManualJog,
    Command::ProgramJog,   Command::GainAutoTuning, std::nullopt,
    Command::AlarmReset,   Command::AlarmHistory, std::nullopt,
    Command::DataTrace,    Command::TriggerMonitoring, Command::AlarmTrace,
    std::nullopt,          Command::About,        Command::UserManual,
    std::nullopt,          Command::Exit,
};

std::optional<FeatureKind> featureOf(Command command)
{
    switch (command) {
    case Command::ParameterEditing:
        return FeatureKind::Parameters;
    case Command::TriggerMonitoring:
        return FeatureKind::TriggerGraph;
    case Command::DataTrace:
        return FeatureKind::TraceGraph;
    case Command::ManualJog:
        return FeatureKind::ManualJog;
    case Command::ProgramJog:
        return FeatureKind::ProgramJog;
    case Command::GainAutoTuning:
        return FeatureKind::AutoTuning;
    case Command::AlarmTrace:
        return FeatureKind::AlarmGraph;
    case Command::AlarmHistory:
        return FeatureKind::AlarmHistory;
    default:
        return std::nullopt;
    }
}

const QString kUserManualFile = QStringLiteral("Tarvex_M9A_V1.1.pdf");
const QString kUpgraderFile = QStringLiteral("M9 Upgrader");
const QString kUserImagesFile = QStringLiteral("UserImages.bmp");

// The commands that reach the drive through the link library.
bool needsLinkLibrary(Command command)
{
    switch (command) {
    case Command::Connect:
    case Command::Start:
    case Command::ParameterEditing:
    case Command::DataTrace:
    case Command::TriggerMonitoring:
    case Command::AlarmTrace:
    case Command::AlarmHistory:
    case Command::AlarmReset:
    case Command::ManualJog:
    case Command::ProgramJog:
    case Command::GainAutoTuning:
        return true;
    default:
        return false;
    }
}

// A menu text as the toolbar and the tips show it: without the mnemonic mark.
QString plainText(const QAction &action) { return QString(action.text()).remove(QLatin1Char('&')); }

bool systemIsKorean() { return QLocale::system().language() == QLocale::Korean; }

} // namespace

CMainFrame::CMainFrame(FrameOptions options) : options_(std::move(options))
{
    setWindowTitle(QStringLiteral("Tarvex_M9A Ver 2.7"));
    setWindowIcon(QIcon(QStringLiteral(":/tarvex/tarvex.svg")));
    resizeToFitScreen();

    if (!options_.settingsFile.isEmpty())
        UserSettings::useFile(options_.settingsFile);
    if (options_.programDirectory.empty())
        options_.programDirectory = QCoreApplication::applicationDirPath().toStdString();

    if (options_.messages) {
        messages_ = options_.messages;
    } else {
        ownMessages_ = std::make_unique<QtMessageService>();
        ownMessages_->setParentWindow(this);
        messages_ = ownMessages_.get();
    }
    if (const std::string notice = UserSettings::refusedFileNotice(); !notice.empty())
        messages_->show("The settings file cannot be used", notice);
    // Once the window is up, so that the question has it to stand on.
    QTimer::singleShot(0, this, [this] { offerUnfinishedRecordings(*messages_, this); });

    // 1. The stored application look.
    look_ = options_.applyStoredLook ? storedLook() : kDefaultLook;
    if (options_.applyStoredLook)
        applyLook(look_);

    // 2. Bars; the client area stays empty.
    auto *client = new QMdiArea(this);
    client->setBackground(QColor(171, 171, 171));
    setCentralWidget(client);
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    loadUserImages();
    setDockNestingEnabled(true);
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);

    // 3. The drive connection.
    drive_ = std::make_unique<DriveConnection>(state_, *messages_, options_.timings);
    drive_->setSysfsRoot(options_.sysfsRoot);

    // 4. The feature windows, as objects.
    commSetDlg_ = new CCommSetDlg(*drive_, state_, this);
    commSetDlg_->setLeaveDrive([this](bool keepLine) { return leaveDrive(keepLine); });
    commSetDlg_->setDriveReached([this] { offerRestoreAfterUpgrade(); });
    aboutBox_ = new CAboutTarvex(this);
    features_.create(options_.features ? *options_.features : installedFeatureWindows(), this);

    // 5, 6. Both libraries and the catalogue.
    drive_->BindLinkLibrary(besideProgram(QString::fromLatin1(kLinkLibraryFile)).toStdString());
    drive_->BindDatabaseLibrary(besideProgram(QString::fromLatin1(kDatabaseLibraryFile)).toStdString());
    openCatalogue(options_.koreanSystem ? *options_.koreanSystem : systemIsKorean());

    // 7. Initial states; from here on every change re-evaluates the commands.
    state_.setConnectionState(connection_state::kNothingChosen);
    state_.setMonitorState(monitor_state::kStopped);
    state_.setChangeListener([this] { stateChangedSomewhere(); });
    // After a stalled exchange the motion tools are brought to rest here,
    // on this thread, once the watchdog has ended their loops.
    drive_->setStallListener([this] {
        QMetaObject::invokeMethod(this, &CMainFrame::bringMotionToRestAfterStall, Qt::QueuedConnection);
    });
    state_.setMonitoringListener([this](bool running) {
        QMetaObject::invokeMethod(
            this, [this, running] { features_.monitoringSwitched(running); },
            Qt::QueuedConnection);
    });

    // 8. The docking panes, and the layout the user left.
    createPanes();
    if (options_.restoreLayout)
        restoreLayout();

    // 9. The link timer.
    linkTimer_.setInterval(options_.linkTimerMs);
    connect(&linkTimer_, &QTimer::timeout, this, &CMainFrame::linkTimerTick);
    linkTimer_.start();

    refreshCommands();
}

CMainFrame::~CMainFrame() { shutdown(); }

// --- bars -----------------------------------------------------------------

// The catalogue of the system's language; on a Korean system whose fonts
// cannot draw the Korean names and units, the English one when the user
// takes it (asked once: the answer is kept).
void CMainFrame::openCatalogue(bool koreanSystem)
{
    const std::optional<bool> englishInstead =
        koreanSystem ? UserSettings::englishCatalogueInstead() : std::nullopt;
    const bool korean = koreanSystem && englishInstead != true;
    drive_->OpenCatalogue(besideProgram(QString::fromLatin1(catalogueFileFor(korean))).toStdString());
    if (!korean || englishInstead.has_value() || !drive_->catalogueOpen())
        return;
    const CharacterCoverage canDraw = options_.canDraw ? options_.canDraw : fontCoverage(QApplication::font());
    const std::u32string missing = undrawableCharacters(catalogueDisplayTexts(drive_->database()), canDraw, 8);
    if (missing.empty())
        return;
    QString examples;
    for (char32_t c : missing)
        examples += (examples.isEmpty() ? QString() : QStringLiteral(" ")) + QString::fromUcs4(&c, 1);
    const bool english = messages_->present(
        {Message::Kind::Question,
         "The installed fonts cannot draw the Korean parameter catalogue. Use the English catalogue instead?",
         "Parameter catalogue",
         "Parameter names and units would show empty boxes in place of characters such as " +
             examples.toStdString() +
             ". Installing the package fonts-nanum or fonts-noto-cjk lets the Korean catalogue be read. "
             "The answer is kept for the next starts."});
    UserSettings::setEnglishCatalogueInstead(english);
    if (english)
        drive_->OpenCatalogue(besideProgram(QString::fromLatin1(catalogueFileFor(false))).toStdString());
}

void CMainFrame::createActions()
{
    for (const CommandLook &look : kCommandLooks) {
        auto *act = new QAction(QString::fromUtf8(look.text), this);
        if (look.icon)
            act->setIcon(QIcon(QStringLiteral(":/tarvex/%1.svg").arg(QLatin1String(look.icon))));
        act->setStatusTip(plainText(*act));
        act->setToolTip(plainText(*act));
        act->setData(static_cast<int>(look.command));
        const Command command = look.command;
        connect(act, &QAction::triggered, this, [this, command] { OnCommand(command); });
        actions_[command] = act;
    }
    actions_[Command::Exit]->setShortcut(QKeySequence::Quit);
    actions_[Command::UserManual]->setShortcut(QKeySequence::HelpContents);
    actions_[Command::Connect]->setShortcut(QKeySequence(QStringLiteral("Ctrl+K")));
    actions_[Command::Disconnect]->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+K")));
    actions_[Command::Start]->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    actions_[Command::Stop]->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+M")));
    actions_[Command::ParameterEditing]->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    for (auto &[command, act] : actions_) {
        if (!act->shortcut().isEmpty())
            act->setToolTip(QStringLiteral("%1 (%2)").arg(plainText(*act),
                                                          act->shortcut().toString(QKeySequence::NativeText)));
    }
}

void CMainFrame::createMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->addAction(actions_[Command::New]);
    snapshotsAction_ = file->addAction(QStringLiteral("&Snapshots\u2026"));
    snapshotsAction_->setStatusTip(QStringLiteral("The parameters kept before each change of the drive"));
    connect(snapshotsAction_, &QAction::triggered, this, &CMainFrame::OnSnapshots);
    file->addSeparator();
    file->addAction(actions_[Command::Exit]);
    recentFiles_ = new RecentFilesMenu(
        *file, actions_[Command::Exit], [this](Command command) { return isCommandEnabled(command); },
        [this](Command command, const QString &path) { openRecentFile(command, path); });

    QMenu *communication = bar->addMenu(QStringLiteral("&Communication"));
    communication->addAction(actions_[Command::CommunicationSetting]);
    communication->addAction(actions_[Command::Connect]);
    communication->addAction(actions_[Command::Disconnect]);

    QMenu *parameter = bar->addMenu(QStringLiteral("&Parameter"));
    parameter->addAction(actions_[Command::ParameterEditing]);

    QMenu *monitor = bar->addMenu(QStringLiteral("&Monitor"));
    monitor->addAction(actions_[Command::TriggerMonitoring]);
    QMenu *cyclic = monitor->addMenu(QStringLiteral("&Cyclic Monitoring"));
    cyclic->addAction(actions_[Command::Start]);
    cyclic->addAction(actions_[Command::Stop]);
    cyclic->addAction(actions_[Command::DataTrace]);
    recording_ = new StatusRecording(*messages_, this);
    monitor->addAction(recording_->action());

    QMenu *operation = bar->addMenu(QStringLiteral("&Operation"));
    operation->addAction(actions_[Command::ManualJog]);
    operation->addAction(actions_[Command::GainAutoTuning]);
    operation->addAction(actions_[Command::ProgramJog]);

    QMenu *alarm = bar->addMenu(QStringLiteral("&Alarm"));
    alarm->addAction(actions_[Command::AlarmTrace]);
    alarm->addAction(actions_[Command::AlarmHistory]);
    alarm->addAction(actions_[Command::AlarmReset]);

    QMenu *os = bar->addMenu(QStringLiteral("O&S"));
    os->addAction(actions_[Command::OsUpgrade]);

    // Greyed items say why in their tooltips.
    for (QMenu *menu : bar->findChildren<QMenu *>())
        menu->setToolTipsVisible(true);

    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    viewMenu_ = view;
    toolBar_ = new QToolBar(QStringLiteral("Standard"), this);
    toolBar_->setObjectName(QStringLiteral("StandardToolBar"));
    QAction *toolBarToggle = toolBar_->toggleViewAction();
    toolBarToggle->setText(QStringLiteral("&Toolbar"));
    view->addAction(toolBarToggle);
    auto *statusToggle = new QAction(QStringLiteral("Status &Bar"), this);
    statusToggle->setCheckable(true);
    statusToggle->setChecked(true);
    connect(statusToggle, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    view->addAction(statusToggle);
    QMenu *lookMenu = view->addMenu(QStringLiteral("Application &Look"));
    looks_ = new QActionGroup(this);
    looks_->setExclusive(true);
    for (const ApplicationLook &look : applicationLooks()) {
        QAction *act = lookMenu->addAction(QString::fromUtf8(look.name));
        act->setCheckable(true);
        act->setChecked(look.id == look_);
        act->setData(look.id);
        looks_->addAction(act);
        const int id = look.id;
        connect(act, &QAction::triggered, this, [this, id] { chooseLook(id); });
    }
    // The panes' own entries go in front of this separator (see createPanes).
    paneListEnd_ = view->insertSeparator(toolBarToggle);
    view->addSeparator();
    QAction *reset = view->addAction(QStringLiteral("&Reset Layout"));
    reset->setStatusTip(QStringLiteral("Puts the panes, the toolbar and the window back as at the first start"));
    connect(reset, &QAction::triggered, this, &CMainFrame::resetLayout);

    // Help comes last, as in every program.
    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->addAction(actions_[Command::UserManual]);
    help->addAction(actions_[Command::About]);
}

// The View menu lists each pane with a tick; New re-creates the panes, and
// their entries with them.
void CMainFrame::listPanesInViewMenu()
{
    for (QAction *toggle : paneToggles_)
        viewMenu_->removeAction(toggle);
    paneToggles_.clear();
    const std::pair<QDockWidget *, const char *> panes[] = {
        {pane1_, "Servo &Status"},         {pane2_, "Servo &Input"}, {pane3_, "Servo &Output"},
        {pane4_, "&Communication Status"}, {trendPane_, "Tr&end"}, {linkStatisticsPane_, "Li&nk Statistics"},
    };
    for (const auto &[pane, entry] : panes) {
        QAction *toggle = pane->toggleViewAction();
        toggle->setText(QString::fromLatin1(entry));
        viewMenu_->insertAction(paneListEnd_, toggle);
        paneToggles_.push_back(toggle);
    }
}

void CMainFrame::restoreLayout()
{
    const QByteArray stored = UserSettings::windowGeometry(QStringLiteral("MainWindow"));
    // A size left on a larger screen is bounded by this one.
    if (!stored.isEmpty() && restoreGeometry(stored) && !isMaximized() && !isFullScreen()) {
        resize(fitToAvailableScreen(*this, size()));
        const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (screen && !screen->availableGeometry().contains(geometry()))
            move(screen->availableGeometry().topLeft());
    }
    const QByteArray layout = UserSettings::mainWindowState();
    if (!layout.isEmpty() && restoreState(layout))
        panesSized_ = true; // the user's sizes, not the first start's
}

void CMainFrame::storeLayout()
{
    UserSettings::setWindowGeometry(QStringLiteral("MainWindow"), saveGeometry());
    UserSettings::setMainWindowState(saveState());
}

// The frame's size, or what a smaller screen (a service laptop's) has room for.
void CMainFrame::resizeToFitScreen()
{
    resize(fitToAvailableScreen(*this, QSize(kWidth, kHeight)));
}

void CMainFrame::resetLayout()
{
    UserSettings::forgetLayout();
    showNormal();
    resizeToFitScreen();
    addToolBar(Qt::TopToolBarArea, toolBar_);
    toolBar_->show();
    for (QDockWidget *pane : std::initializer_list<QDockWidget *>{pane1_, pane2_, pane3_, pane4_}) {
        pane->setFloating(false);
        pane->show();
    }
    addDockWidget(Qt::LeftDockWidgetArea, pane1_);
    splitDockWidget(pane1_, pane2_, Qt::Vertical);
    addDockWidget(Qt::BottomDockWidgetArea, pane3_);
    splitDockWidget(pane3_, pane4_, Qt::Horizontal);
    applyPaneSizes();
}

void CMainFrame::createToolBar()
{
    toolBar_->setIconSize(QSize(24, 24));
    toolBar_->setMovable(true);
    for (const std::optional<Command> &entry : kToolBarOrder) {
        if (entry)
            toolBar_->addAction(actions_[*entry]);
        else
            toolBar_->addSeparator();
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);
}

void CMainFrame::createStatusBar()
{
    linkIndicator_ = new QLabel(this);
    portIndicator_ = new QLabel(this);
    monitorIndicator_ = new QLabel(this);
    for (QLabel *indicator : {linkIndicator_, portIndicator_, monitorIndicator_}) {
        indicator->setMinimumWidth(110);
        indicator->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(indicator);
    }
    // The active alarm, in white on red, with the reset beside it; both
    // hidden while the drive has none.
    alarmIndicator_ = new QLabel(this);
    alarmIndicator_->setObjectName(QStringLiteral("ActiveAlarm"));
    alarmIndicator_->setStyleSheet(QStringLiteral(
        "QLabel { background: #c00000; color: white; font-weight: bold; padding: 1px 8px; }"));
    alarmIndicator_->hide();
    statusBar()->addWidget(alarmIndicator_);
    alarmResetButton_ = new QToolButton(this);
    alarmResetButton_->setDefaultAction(actions_[Command::AlarmReset]);
    alarmResetButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    alarmResetButton_->hide();
    statusBar()->addWidget(alarmResetButton_);
    // Record to CSV, while it runs: which file grows.
    recordingIndicator_ = new QLabel(this);
    recordingIndicator_->setObjectName(QStringLiteral("RecordingIndicator"));
    recordingIndicator_->hide();
    statusBar()->addPermanentWidget(recordingIndicator_);
    QLabel *indicator = recordingIndicator_;
    connect(recording_, &StatusRecording::recordingChanged, indicator,
            [indicator](bool recording, const QString &path) {
                indicator->setText(recording ? QStringLiteral("Recording to %1").arg(QFileInfo(path).fileName())
                                             : QString());
                indicator->setToolTip(recording ? QDir::toNativeSeparators(path) : QString());
                indicator->setVisible(recording);
            });
    statusBar()->showMessage(QStringLiteral("Ready"));
}

// Optional toolbar pictures: a strip of 16 x 16 images, one per button in order.
void CMainFrame::loadUserImages()
{
    const QPixmap strip(besideProgram(kUserImagesFile));
    if (strip.isNull() || strip.height() < 16)
        return;
    int index = 0;
    for (const std::optional<Command> &entry : kToolBarOrder) {
        if (!entry)
            continue;
        if ((index + 1) * 16 > strip.width())
            break;
        actions_[*entry]->setIcon(QIcon(strip.copy(index * 16, 0, 16, 16)));
        ++index;
    }
}

void CMainFrame::updateStatusIndicators()
{
    switch (state_.connectionState()) {
    case connection_state::kConnected:
        linkIndicator_->setText(QStringLiteral("Connected"));
        break;
    case connection_state::kDisconnected:
        linkIndicator_->setText(QStringLiteral("Disconnected"));
        break;
    default:
        linkIndicator_->setText(QStringLiteral("Not connected"));
        break;
    }
    const LinkSettings settings = drive_->settings();
    if (settings.baud == 0) {
        portIndicator_->clear();
    } else {
        const QString port = settings.port.isDevice()
                                 ? QString::fromStdString(settings.port.device)
                                 : QStringLiteral("COM%1").arg(settings.port.number);
        portIndicator_->setText(QStringLiteral("%1  %2").arg(port).arg(settings.baud));
    }
    monitorIndicator_->setText(state_.monitorState() == monitor_state::kRunning
                                   ? QStringLiteral("Monitoring")
                                   : QString());
}

// --- panes ----------------------------------------------------------------

void CMainFrame::createPanes()
{
    pane1_ = new CStaticPane(this);
    pane2_ = new CStaticPane2(this);
    pane3_ = new CStaticPane3(this);
    pane4_ = new CStaticPane4(this);
    addDockWidget(Qt::LeftDockWidgetArea, pane1_);
    splitDockWidget(pane1_, pane2_, Qt::Vertical);
    addDockWidget(Qt::BottomDockWidgetArea, pane3_);
    splitDockWidget(pane3_, pane4_, Qt::Horizontal);
    applyPaneSizes();
    for (CPaneBase *pane : std::initializer_list<CPaneBase *>{pane1_, pane2_, pane3_, pane4_})
        pane->setDriveConnection(drive_.get());
    // The trend starts hidden: the View menu shows it.
    trendPane_ = new CTrendPane(this);
    addDockWidget(Qt::RightDockWidgetArea, trendPane_);
    trendPane_->hide();
    trendPane_->attach(&pane1_->dialog());
    // Hidden too until asked for; it reads the link library's own figures.
    linkStatisticsPane_ = new CLinkStatisticsPane(*messages_, this);
    addDockWidget(Qt::RightDockWidgetArea, linkStatisticsPane_);
    linkStatisticsPane_->hide();
    linkStatisticsPane_->setDriveConnection(drive_.get());
    recording_->attach(&pane1_->dialog());
    listPanesInViewMenu();
    linkAnimating_ = 0; // a new animation rests on its first frame
}

// 365 pixels wide, "Servo Status" 575 high and the others 250, the heights
// being those of the panes' contents below their title bars. Once the frame
// is laid out, the input pane takes what the left column has beyond them
// and the communication pane what the bottom row has.
void CMainFrame::applyPaneSizes()
{
    const int title = pane1_->isVisible() && pane1_->widget()
                          ? pane1_->height() - pane1_->widget()->height()
                          : fontMetrics().height() +
                                2 * style()->pixelMetric(QStyle::PM_DockWidgetTitleMargin);
    const int statusHeight = 575 + title;
    const int lowerHeight = 250 + title;
    int inputHeight = lowerHeight;
    int communicationWidth = 365;
    if (isVisible()) {
        inputHeight = std::max(lowerHeight, pane1_->height() + pane2_->height() - statusHeight);
        communicationWidth = std::max(365, pane3_->width() + pane4_->width() - 365);
    }
    resizeDocks({pane1_, pane2_}, {statusHeight, inputHeight}, Qt::Vertical);
    resizeDocks({pane1_}, {365}, Qt::Horizontal);
    resizeDocks({pane3_, pane4_}, {365, communicationWidth}, Qt::Horizontal);
    resizeDocks({pane3_}, {lowerHeight}, Qt::Vertical);
}

void CMainFrame::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!panesSized_) {
        panesSized_ = true;
        QTimer::singleShot(0, this, [this] {
            if (pane1_)
                applyPaneSizes();
        });
    }
}

void CMainFrame::destroyPanes()
{
    // Each pane's View entry goes with it.
    for (QAction *toggle : paneToggles_)
        viewMenu_->removeAction(toggle);
    paneToggles_.clear();
    for (CPaneBase *pane : std::initializer_list<CPaneBase *>{pane1_, pane2_, pane3_, pane4_}) {
        if (!pane)
            continue;
        pane->prepareDestruction(serveUiWhileWaiting);
        removeDockWidget(pane);
        delete pane;
    }
    if (linkStatisticsPane_) {
        removeDockWidget(linkStatisticsPane_);
        delete linkStatisticsPane_;
        linkStatisticsPane_ = nullptr;
    }
    if (trendPane_) {
        removeDockWidget(trendPane_);
        delete trendPane_;
        trendPane_ = nullptr;
    }
    pane1_ = nullptr;
    pane2_ = nullptr;
    pane3_ = nullptr;
    pane4_ = nullptr;
}

// --- commands -------------------------------------------------------------

QAction *CMainFrame::action(Command command) const
{
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

bool CMainFrame::isCommandEnabled(Command command) const
{
    const QAction *act = action(command);
    return act && act->isEnabled();
}

void CMainFrame::connectAtStart(const LinkSettings &settings, bool monitor)
{
    drive_->storeSettings(settings);
    if (!drive_->InitLink()) {
        messages_->show("Communication Init Error!");
        return;
    }
    state_.setConnectionState(connection_state::kSettingsChosen);
    OnCommand(Command::Connect);
    if (!monitor || state_.connectionState() != connection_state::kConnected)
        return;
    CDockMain1Dlg &rows = pane1_->dialog();
    if (rows.selectAllState() != 1)
        rows.grid().clickHeader(0, 1); // the header's tick box ticks every row
    OnCommand(Command::Start);
}

QString CMainFrame::besideProgram(const QString &name) const
{
    QString relative = name;
    if (relative.startsWith(QStringLiteral("./")))
        relative.remove(0, 2);
    return QDir(QString::fromStdString(options_.programDirectory)).absoluteFilePath(relative);
}

std::string CMainFrame::missingFor(Command command) const
{
    // A missing library was reported once at start; what needs it stays greyed.
    if (needsLinkLibrary(command) && !drive_->link().isLoaded())
        return "Needs the drive link library, which was not found beside the program";
    if (command == Command::ParameterEditing && !drive_->catalogueOpen())
        return "Needs the parameter catalogue, which could not be opened";
    if (const auto kind = featureOf(command))
        return features_.available(*kind) ? std::string() : "Not part of this installation";
    if (command == Command::OsUpgrade) {
        const QFileInfo upgrader(besideProgram(kUpgraderFile));
        if (!upgrader.isFile() || !upgrader.isExecutable())
            return "Needs the M9 Upgrader beside the program";
    }
    return {};
}

void CMainFrame::refreshCommands()
{
    refreshQueued_ = false;
    if (!drive_)
        return;
    const CommandContext context{state_.connectionState(), state_.monitorState(),
                                 drive_->activeFeatureCode()};
    for (const auto &[command, act] : actions_) {
        std::string why = missingFor(command);
        if (why.empty())
            why = disabledReason(command, context);
        act->setEnabled(why.empty());
        showCommandReason(*act, QString::fromStdString(why));
    }
    updateStatusIndicators();
    showActiveAlarm();
    noticeLinkLoss();
}

// State words change on the user-interface thread and, when the link fails,
// on the status poll thread; the commands are re-evaluated on this thread.
void CMainFrame::stateChangedSomewhere()
{
    if (refreshQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(this, &CMainFrame::refreshCommands, Qt::QueuedConnection);
}

void CMainFrame::OnCommand(Command command)
{
    if (shutDown_)
        return;
    if (const auto kind = featureOf(command)) {
        openFeature(*kind);
        refreshCommands();
        return;
    }
    switch (command) {
    case Command::New:
        onNew();
        break;
    case Command::Exit:
        close();
        break;
    case Command::CommunicationSetting:
        onCommunicationSetting();
        break;
    case Command::Connect:
        onConnect();
        break;
    case Command::Disconnect:
        onDisconnect();
        break;
    case Command::Start:
        onStart();
        break;
    case Command::Stop:
        onStop();
        break;
    case Command::AlarmReset:
        onAlarmReset();
        break;
    case Command::UserManual:
        onUserManual();
        break;
    case Command::About:
        onAbout();
        break;
    case Command::OsUpgrade:
        onOsUpgrade();
        break;
    default:
        break;
    }
    if (!shutDown_)
        refreshCommands();
}

void CMainFrame::runLong(const std::function<void()> &call)
{
    ++busy_;
    runKeepingUiAlive(call);
    --busy_;
    if (closePending_ && busy_ == 0)
        QTimer::singleShot(0, this, &QWidget::close);
}

void CMainFrame::onNew()
{
    ++busy_;
    drive_->bringMotionToRest();
    // Monitoring ends with the panes; stop it properly first so the
    // monitoring switch and the menu agree with what runs.
    if (state_.monitorState() == monitor_state::kRunning)
        drive_->StopMonitoring();
    destroyPanes();
    // The new panes start with nothing ticked, and so does the next run;
    // the trend, which ticks the rows it plots, starts empty too.
    rememberTickedRows(0);
    UserSettings::setTrendRows({});
    createPanes();
    if (isVisible())
        QTimer::singleShot(0, this, [this] {
            if (pane1_)
                applyPaneSizes();
        });
    --busy_;
    drive_->Disconnect();
    disconnectSeen();
    updateAnimation();
}

void CMainFrame::onCommunicationSetting()
{
    state_.setConnectionState(connection_state::kSettingsChosen);
    commSetDlg_->openDialog();
}

void CMainFrame::onConnect()
{
    ++connectionNumber_;
    runLong([this] { drive_->Connect(); });
    if (drive_->isLinkOpen())
        state_.setConnectionState(connection_state::kConnected);
    updateAnimation();
    if (drive_->isLinkOpen())
        offerRestoreAfterUpgrade();
}

// A download may have set the parameters back to the factory's. The first
// connection to the upgraded drive that answers compares it with the
// snapshot OS Upgrade kept, once; the snapshot's values reach the drive
// only through the parameter window's All Write and its checks.
void CMainFrame::offerRestoreAfterUpgrade()
{
    const std::optional<UpgradeSnapshot> remembered = rememberedUpgradeSnapshot();
    if (!remembered)
        return;
    const LinkPlace place = drive_->place();
    if (remembered->port != place.port || remembered->node != place.node)
        return; // another drive: the snapshot waits for the upgraded one
    if (!snapshots::hasParameterList(*drive_))
        return; // nothing to compare with; it waits for a run with the catalogue
    forgetUpgradeSnapshot(); // whatever comes of it, the question comes once
    const std::optional<snapshots::Snapshot> snapshot = findUpgradeSnapshot(*remembered);
    if (!snapshot) {
        messages_->show("The snapshot kept before the OS Upgrade was not found.",
                        remembered->name + " is no longer in " + snapshots::defaultSnapshotFolder() +
                            ". File > Snapshots... lists the snapshots there are.");
        return;
    }
    const std::optional<std::vector<snapshots::SnapshotDifference>> differences = snapshots::compareWithDrive(
        *drive_, *snapshot, [this](const std::function<void()> &call) { runLong(call); });
    if (!differences || shutDown_ || closePending_)
        return; // a failure has been shown; a close asked meanwhile goes ahead
    if (differences->empty()) {
        const QString same = QStringLiteral("The drive holds the parameters of the snapshot kept before the OS Upgrade.");
        statusBar()->showMessage(same);
        QTimer::singleShot(kUpgradeNoteMs, statusBar(), [bar = statusBar(), same] {
            if (bar->currentMessage() == same)
                bar->showMessage(QStringLiteral("Ready"));
        });
        return;
    }
    refreshCommands(); // connected now: whether the parameter window can open
    const std::string detail = upgradeChangesDetail(*differences, snapshot->name);
    if (!isCommandEnabled(Command::ParameterEditing)) {
        messages_->show(upgradeChangesText(differences->size()), detail);
        return;
    }
    if (messages_->present({Message::Kind::Question, upgradeChangesQuestion(differences->size()), kUpgradeCaption,
                            detail}))
        openRecentFile(Command::ParameterEditing, QString::fromStdString(snapshot->parameterFile));
}

void CMainFrame::onDisconnect()
{
    // A motion tool's stop needs the link: it goes out first.
    ++busy_;
    drive_->bringMotionToRest();
    --busy_;
    drive_->StopMonitoring();
    if (drive_->isLinkOpen())
        drive_->Disconnect();
    state_.setConnectionState(connection_state::kDisconnected);
    disconnectSeen();
    updateAnimation();
}

bool CMainFrame::leaveDrive(bool keepLine)
{
    // The stops go to the drive that moves, before the link is readdressed.
    ++busy_;
    const bool rested = drive_->bringMotionToRest();
    --busy_;
    if (!rested)
        return false;
    drive_->StopMonitoring();
    features_.leaveDrive();
    if (!keepLine) {
        drive_->Disconnect();
        state_.setConnectionState(connection_state::kDisconnected);
        disconnectSeen();
        updateAnimation();
    }
    return true;
}

void CMainFrame::onStart()
{
    if (!drive_->isLinkOpen()) {
        messages_->show("Communication Error", kLinkClosedCause);
        return;
    }
    drive_->StartMonitoring();
    state_.setMonitorState(monitor_state::kRunning);
}

void CMainFrame::onStop() { drive_->StopMonitoring(); }

void CMainFrame::onAlarmReset()
{
    bool taken = false;
    runLong([this, &taken] { taken = drive_->ResetAlarm(); });
    showActiveAlarm();
    if (!taken)
        return;
    const std::int32_t left = drive_->activeAlarm();
    if (left == 0)
        messages_->showInformation("The alarm has been reset.");
    else if (left > 0)
        messages_->show("The alarm is still active.", activeAlarmDetail(static_cast<std::uint16_t>(left)));
}

// The drive's active alarm, prominently: in the status bar with the reset
// beside it, and in the Communication Status pane.
void CMainFrame::showActiveAlarm()
{
    const std::int32_t code = drive_->activeAlarm();
    const bool active = code > 0 && state_.connectionState() == connection_state::kConnected;
    const QString text = active ? QString::fromStdString(alarms::activeAlarmText(static_cast<std::uint16_t>(code)))
                                : QString();
    const QString remedy = active ? QString::fromUtf8(alarms::alarmRemedy(static_cast<std::uint16_t>(code)).data(),
                                                      static_cast<qsizetype>(alarms::alarmRemedy(static_cast<std::uint16_t>(code)).size()))
                                  : QString();
    alarmIndicator_->setText(text);
    alarmIndicator_->setToolTip(remedy);
    alarmIndicator_->setVisible(active);
    alarmResetButton_->setVisible(active);
    if (pane4_)
        pane4_->dialog().showAlarm(text, remedy);
}

void CMainFrame::onUserManual()
{
    const QString manual = besideProgram(kUserManualFile);
    if (!QFileInfo(manual).isFile()) {
        messages_->show("The user manual was not found.", lookedForDetail(manual.toStdString()));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        messages_->show("No program to show PDF files could be started.",
                        "The user manual is " + manual.toStdString() +
                            ". Install a PDF viewer (for example: sudo apt-get install evince) or "
                            "open the file with one.");
}

void CMainFrame::onAbout() { aboutBox_->exec(); }

void CMainFrame::onOsUpgrade()
{
    ++busy_;
    drive_->bringMotionToRest();
    --busy_;
    // The upgrader takes over the port this program used; it is let go
    // before the upgrader starts, or the upgrader could find it still held.
    QStringList arguments;
    const LinkSettings used = drive_->settings();
    if (drive_->isLinkOpen() || used.baud != 0)
        arguments << QStringLiteral("--port") << QString::fromStdString(used.port.devicePath());
    if (drive_->isLinkOpen()) {
        drive_->StopMonitoring();
        // A download may set the parameters back to the factory's; the
        // snapshot lets them be put back afterwards. Without
        // a parameter list there are no parameters to keep.
        if (snapshots::hasParameterList(*drive_)) {
            ++busy_;
            const snapshots::BeforeChange kept =
                snapshots::keepSnapshotBeforeChange(*drive_, kUpgradeCaption, runKeepingUiAlive);
            --busy_;
            if (!kept.go)
                return;
            // The next connection to this drive compares with it, in this
            // run or the next.
            if (kept.snapshot)
                rememberUpgradeSnapshot(*kept.snapshot);
        }
        drive_->Disconnect();
    }
    state_.setConnectionState(connection_state::kDisconnected);
    disconnectSeen();
    updateAnimation();
    const QString upgrader = besideProgram(kUpgraderFile);
    const QString directory = QString::fromStdString(options_.programDirectory);
    const bool started = options_.startProgram ? options_.startProgram(upgrader, arguments, directory)
                                               : QProcess::startDetached(upgrader, arguments, directory);
    if (!started)
        messages_->show("The upgrader could not be started.", lookedForDetail(upgrader.toStdString()));
}

void CMainFrame::openFeature(FeatureKind kind)
{
    FeatureWindow *window = features_.window(kind);
    if (!window)
        return;
    // One motion tool at a time moves the motor: another one opening
    // brings the first to rest.
    if (auto *tool = dynamic_cast<MotionTool *>(window)) {
        ++busy_;
        drive_->bringMotionToRest(tool);
        --busy_;
    }
    drive_->setActiveFeature(openingOf(kind).activeFeature);
    drive_->OpenFeatureWindow(*window);
}

void CMainFrame::openRecentFile(Command command, const QString &path)
{
    if (!QFileInfo(path).isFile()) {
        RecentFiles::remove(path);
        messages_->show("The file was not found.",
                        path.toStdString() + "\nIt has been taken off the recent files.");
        return;
    }
    const std::optional<FeatureKind> kind = featureOf(command);
    FeatureWindow *window = kind ? features_.window(*kind) : nullptr;
    if (!window || !isCommandEnabled(command))
        return;
    window->openOnPresent(path.toStdString());
    OnCommand(command);
    window->openOnPresent({});
}

void CMainFrame::OnSnapshots()
{
    const bool reachable = state_.connectionState() == connection_state::kConnected &&
                           isCommandEnabled(Command::ParameterEditing);
    CSnapshotsDlg dialog(*drive_, reachable, this);
    if (dialog.exec() != QDialog::Accepted || !dialog.chosen())
        return;
    openRecentFile(Command::ParameterEditing, QString::fromStdString(dialog.chosen()->parameterFile));
}

void CMainFrame::chooseLook(int id)
{
    applyLook(id);
    storeLook(id);
    look_ = id;
    for (QAction *act : looks_->actions())
        act->setChecked(act->data().toInt() == id);
    update();
}

// --- link timer -----------------------------------------------------------

void CMainFrame::linkTimerTick()
{
    // A long link call is under way (it keeps the window alive meanwhile);
    // the next tick will look again.
    if (shutDown_ || busy_ > 0)
        return;
    if (state_.connectionState() == connection_state::kConnected)
        startPresenceCheck();
    updateAnimation();
}

void CMainFrame::updateAnimation()
{
    if (!pane4_)
        return;
    CLinkAnimation &animation = pane4_->dialog().animation();
    const std::int32_t connection = state_.connectionState();
    if (connection == connection_state::kConnected && !linkAnimating_) {
        animation.Play();
        linkAnimating_ = 1;
    } else if (connection == connection_state::kDisconnected && linkAnimating_) {
        animation.Stop();
        animation.Open();
        linkAnimating_ = 0;
    }
}

// The presence read of register 78 waits for the link lock behind the
// status poll's exchanges, so it runs on a thread of its own and reports
// back here; the user-interface thread never blocks on the link.
void CMainFrame::startPresenceCheck()
{
    const int connection = connectionNumber_;
    presenceCheck_.startIfIdle([this, connection] {
        const bool answered = drive_->CheckPresence();
        QMetaObject::invokeMethod(
            this, [this, answered, connection] { presenceChecked(answered, connection); },
            Qt::QueuedConnection);
    });
}

void CMainFrame::presenceChecked(bool answered, int connection)
{
    showActiveAlarm();
    // A read that began on an earlier connection says nothing about this one.
    if (answered || shutDown_ || connection != connectionNumber_ ||
        state_.connectionState() != connection_state::kConnected)
        return;
    // While cyclic monitoring polls, the status poll meets the same silence
    // and reports it with its own messages as it closes the link.
    if (drive_->monitoringMode.load() == DriveConnection::kMonitoringPoll)
        return;
    drive_->Disconnect();
    updateAnimation();
    refreshCommands();
}

void CMainFrame::noticeLinkLoss()
{
    const std::int32_t connection = state_.connectionState();
    const bool lost = lastConnection_ == connection_state::kConnected &&
                      connection == connection_state::kDisconnected;
    lastConnection_ = connection;
    if (lost && !shutDown_ && drive_->anyMotionHeld())
        QTimer::singleShot(0, this, [this] {
            if (!shutDown_ && drive_ && !drive_->isLinkOpen())
                drive_->bringMotionToRest(); // tells what to do at the drive
        });
}

void CMainFrame::bringMotionToRestAfterStall()
{
    if (shutDown_ || !drive_)
        return;
    ++busy_;
    drive_->bringMotionToRest();
    --busy_;
    refreshCommands();
}

// --- shutdown -------------------------------------------------------------

void CMainFrame::closeEvent(QCloseEvent *event)
{
    if (busy_ > 0) {
        // Closing in the middle of a link call: close once it has returned.
        closePending_ = true;
        event->ignore();
        return;
    }
    shutdown();
    event->accept();
}

void CMainFrame::shutdown()
{
    if (shutDown_)
        return;
    if (options_.restoreLayout && pane1_)
        storeLayout();
    // The drive comes to rest while the link and the message boxes are still there.
    if (drive_) {
        ++busy_;
        drive_->bringMotionToRest();
        --busy_;
    }
    shutDown_ = true;
    linkTimer_.stop();
    // Worker messages from now on would only delay the end; they are dropped.
    if (ownMessages_)
        ownMessages_->setDropping(true);
    commSetDlg_->hide();

    // 1. The panes (the status panes end the status poll).
    destroyPanes();
    // 2. The worker threads: the feature windows' own first, since their
    // last calls (a jog stop, the end of a capture) still need the link.
    features_.endAllWork();
    presenceCheck_.waitUntilEnded(serveUiWhileWaiting);
    drive_->StopWorkers(serveUiWhileWaiting);
    // 3. Both libraries.
    drive_->ReleaseLibraries();
    // 4. The feature windows.
    features_.destroyAll();
    delete commSetDlg_;
    commSetDlg_ = nullptr;
    state_.setChangeListener({});
    state_.setMonitoringListener({});
    // 5. The drive connection.
    drive_.reset();
}

} // namespace tarvex
