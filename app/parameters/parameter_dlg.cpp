#include "app/parameters/parameter_dlg.h"

#include "app/parameters/dialog_units.h"
#include "app/ui/drive_work_box.h"
#include "app/parameters/parameter_compare_dlg.h"
#include "app/parameters/parameter_file_dialog.h"
#include "app/parameters/parameter_filter.h"
#include "app/parameters/parameter_forms.h"
#include "app/parameters/parameter_tab_ctrl.h"
#include "app/ui/settings/recent_files.h"
#include "app/parameters/parameter_window_layout.h"
#include "app/ui/window_keys.h"
#include "drive/snapshots/drive_snapshot.h"

#include <QCloseEvent>
#include <QDir>
#include <QFont>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

namespace tarvex {

namespace {

using parameters::duRect;
using parameters::kGroupTexts;

QLabel *legendText(QWidget *parent, const char *text, const QRect &at, const QColor &colour)
{
    auto *label = new QLabel(QString::fromUtf8(text), parent);
    label->setGeometry(at);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QPushButton *commandButton(QWidget *parent, const char *text, const QRect &at, int id)
{
    auto *button = new QPushButton(QString::fromLatin1(text), parent);
    button->setGeometry(at);
    button->setProperty("controlId", id);
    button->setAutoDefault(false);
    return button;
}

QToolButton *iconButton(QWidget *parent, const char *icon, const char *tip, const QRect &at, int id)
{
    auto *button = new QToolButton(parent);
    button->setGeometry(at);
    button->setIcon(QIcon(QString::fromLatin1(icon)));
    button->setIconSize(QSize(24, 24));
    button->setToolTip(QString::fromLatin1(tip));
    button->setProperty("controlId", id);
    return button;
}

} // namespace

CParameterDlg::CParameterDlg(DriveConnection &drive, LinkRunner runner, QWidget *parent)
    : QDialog(parent), CParameter(&drive)
{
    setWindowTitle(QStringLiteral("Parameter Editing"));
    setModal(false);
    setMinimumSize(parameters::parameterWindowMinimumSize());
    resize(parameters::parameterWindowDefaultSize(0));
    setSizeGripEnabled(true);
    // The layout is drawn for an 8-point dialog font.
    QFont dialogFont = font();
    dialogFont.setPointSize(8);
    setFont(dialogFont);
    setLinkRunner(std::move(runner));
    setProgressListener([this](Transfer transfer, int group) { showProgress(transfer, group); });
    commands_ = std::make_unique<parameters::ParameterCommands>(*this, m_catalogue);
    comparison_ = std::make_unique<parameters::ParameterComparison>(*this, m_catalogue, *commands_);
    createControls();
}

CParameterDlg::~CParameterDlg() = default;

void CParameterDlg::createControls()
{
    const QColor red(255, 0, 0);
    const QColor blue(0, 0, 255);
    const QColor black(0, 0, 0);

    auto *legend = new QGroupBox(QStringLiteral("Parameter Set"), this);
    legend->setGeometry(duRect(8, 6, 127, 40));
    legendText(this, "Object Num   ", duRect(15, 16, 56, 8), red)->setObjectName(QStringLiteral("legend1203"));
    legendText(this, "Power OFF\u2192ON", duRect(74, 16, 56, 8), red)->setObjectName(QStringLiteral("legend1200"));
    legendText(this, "Object Num   ", duRect(15, 25, 56, 8), blue)->setObjectName(QStringLiteral("legend1202"));
    legendText(this, "Servo OFF", duRect(74, 25, 56, 8), blue)->setObjectName(QStringLiteral("legend1201"));
    legendText(this, "Object Num   ", duRect(15, 35, 56, 8), black);
    legendText(this, "ALLWAYS", duRect(74, 35, 56, 8), black);

    auto *files = new QGroupBox(this);
    files->setGeometry(duRect(143, 13, 73, 33));
    m_openFile = iconButton(this, ":/parameters/open_parameter_file.svg", "Open a parameter file",
                            duRect(147, 20, 31, 22), IDC_OPEN_FILE);
    m_saveFile = iconButton(this, ":/parameters/save_parameter_file.svg", "Save the parameters to a file",
                            duRect(178, 20, 31, 22), IDC_SAVE_FILE);

    auto *commands = new QGroupBox(this);
    commands->setGeometry(duRect(223, 9, 333, 37));
    m_allWrite = commandButton(this, "All Write", duRect(229, 18, 46, 24), IDC_ALL_WRITE);
    m_write = commandButton(this, "Write", duRect(279, 18, 46, 24), IDC_WRITE);
    m_allRead = commandButton(this, "All Read", duRect(329, 18, 46, 24), IDC_ALL_READ);
    m_read = commandButton(this, "Read", duRect(379, 18, 46, 24), IDC_READ);
    // The lock message names "P.UnLock": the two lock commands sit between
    // the read buttons and EXIT.
    m_lock = commandButton(this, "P.Lock", duRect(432, 18, 52, 11), ID_PARAMETER_LOCK);
    m_unlock = commandButton(this, "P.UnLock", duRect(432, 31, 52, 11), ID_PARAMETER_UNLOCK);
    m_exit = commandButton(this, "EXIT", duRect(491, 18, 46, 24), IDC_EXIT);

    m_filter = new CParameterFilterBar(this);
    m_compare = new QPushButton(QStringLiteral("Co&mpare with file\u2026"), this);
    m_compare->setAutoDefault(false);
    m_compare->setToolTip(QStringLiteral("List the parameters whose drive value differs from a parameter file"));
    m_filterRefresh = new QTimer(this);
    m_filterRefresh->setSingleShot(true);
    m_filterRefresh->setInterval(0);
    m_tab = new CParameterTabCtrl(this);
    m_progress = new QLabel(this);
    placeControls();
    addWindowKeys(*this, {m_openFile, m_saveFile, m_allRead});

    connect(m_allWrite, &QPushButton::clicked, this, &CParameterDlg::OnAllWrite);
    connect(m_write, &QPushButton::clicked, this, &CParameterDlg::OnWrite);
    connect(m_allRead, &QPushButton::clicked, this, &CParameterDlg::OnAllRead);
    connect(m_read, &QPushButton::clicked, this, &CParameterDlg::OnRead);
    connect(m_exit, &QPushButton::clicked, this, &CParameterDlg::OnExit);
    connect(m_lock, &QPushButton::clicked, this, &CParameterDlg::OnParameterLock);
    connect(m_unlock, &QPushButton::clicked, this, &CParameterDlg::OnParameterUnlock);
    connect(m_openFile, &QToolButton::clicked, this, &CParameterDlg::OnOpenFile);
    connect(m_saveFile, &QToolButton::clicked, this, &CParameterDlg::OnSaveFile);
    connect(m_compare, &QPushButton::clicked, this, &CParameterDlg::OnCompareFile);
    connect(m_filter, &CParameterFilterBar::filterChanged, this, &CParameterDlg::applyFilter);
    connect(m_filterRefresh, &QTimer::timeout, this, &CParameterDlg::applyFilter);
}

// --- initialisation ----------------------------------------------------------------

void CParameterDlg::OnInitDialog()
{
    const bool factoryShown = factoryGroupShown();
    for (int g : parameters::tabGroups(factoryShown))
        m_tab->InsertItem(QString::fromLatin1(kGroupTexts[static_cast<std::size_t>(g)].tab));
    createForms();
    connect(m_tab, &CParameterTabCtrl::selectionChanged, this, &CParameterDlg::OnSelchangeTab);
    connect(m_tab, &CParameterTabCtrl::resized, this, &CParameterDlg::placeForms);

    DriveConnection &connection = *drive();
    if (!commands_->buildModel(connection.database()))
        return;
    m_allWrite->setEnabled(connection.monitoringSwitch.load() == 0);
    monitoring_ = connection.monitoringSwitch.load() != 0;
    if (!connection.isLinkOpen()) {
        setLinkCommandsEnabled(false);
        connection.messages().show("Communication Connection Error ");
        return;
    }
    m_opening = true;
    runCommand([this] { commands_->AllRead(true); });
    m_opening = false;
}

void CParameterDlg::createForms()
{
    // Created in this order, the factory form last when it is shown.
    std::vector<CParameterFormDlg *> created{
        new CPStatusFormDlg(m_tab),   new CPSystemFormDlg(m_tab),   new CPControlFormDlg(m_tab),
        new CPInOutFormDlg(m_tab),    new CPSpeedFormDlg(m_tab),    new CPPositionFormDlg(m_tab),
        new CPFullclosedFormDlg(m_tab)};
    if (factoryGroupShown())
        created.push_back(new CPFactoryFormDlg(m_tab));
    const DatabaseLibrary &database = drive()->database();
    int gridWidth = 0;
    for (CParameterFormDlg *form : created) {
        const int g = form->group();
        m_forms[static_cast<std::size_t>(g)] = form;
        form->OnInitDialog();
        form->setGeometry(m_tab->pageRect());
        auto &group = m_catalogue.groups[static_cast<std::size_t>(g)];
        if (parameters::loadGroupCatalogue(database, g, group, drive()->messages()))
            form->fillFromCatalogue(group);
        parameters::fitColumnsToContents(form->grid());
        gridWidth = std::max(gridWidth, parameters::gridWidthNeeded(form->grid()));
        connect(&form->grid(), &CGXGridWnd::valueChanged, m_filterRefresh, qOverload<>(&QTimer::start));
        commands_->setTable(g, form);
        form->setVisible(g == 0);
    }
    m_pCurrentForm = m_forms[0];
    m_currentGroup = 0;
    resize(parameters::parameterWindowDefaultSize(gridWidth));
}

void CParameterDlg::placeControls()
{
    const parameters::ParameterWindowLayout layout = parameters::parameterWindowLayout(size());
    m_filter->setGeometry(layout.filterBar);
    m_compare->setGeometry(layout.compareButton);
    m_tab->setGeometry(layout.tab);
    m_progress->setGeometry(layout.progress);
}

void CParameterDlg::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placeControls();
}

// Filtering hides rows and never moves them: whatever is typed, checked or
// written stays with its parameter.
void CParameterDlg::applyFilter()
{
    const ParameterFilter filter = m_filter->filter();
    for (CParameterFormDlg *form : m_forms)
        if (form)
            applyParameterFilter(*form, filter);
}

void CParameterDlg::placeForms()
{
    for (CParameterFormDlg *form : m_forms)
        if (form)
            form->setGeometry(m_tab->pageRect());
}

void CParameterDlg::setLinkCommandsEnabled(bool enabled)
{
    linkUsable_ = enabled;
    m_allWrite->setEnabled(enabled && !monitoring_);
    for (QPushButton *button : {m_write, m_allRead, m_read, m_lock, m_unlock, m_compare})
        button->setEnabled(enabled);
}

void CParameterDlg::monitoringSwitched(bool running)
{
    monitoring_ = running;
    m_allWrite->setEnabled(linkUsable_ && !running);
}

// --- progress -------------------------------------------------------------------------

void CParameterDlg::showProgress(Transfer transfer, int group)
{
    if (!parameters::isValidGroup(group))
        return;
    const QString tab = QString::fromLatin1(kGroupTexts[static_cast<std::size_t>(group)].tab);
    const QString verb = transfer == Transfer::Reading ? QStringLiteral("Reading ") : QStringLiteral("Writing ");
    setProgress(verb + tab + QStringLiteral(" ..."));
    if (workBox_ && counting_ == Steps::Groups) {
        DriveWork &work = workBox_->work();
        const int step = std::min(work.currentStep() + 1, work.steps());
        work.beginStep((verb + QStringLiteral("group ") + QString::number(step) + QStringLiteral(" of ") +
                        QString::number(work.steps()) + QStringLiteral(": ") + tab + QStringLiteral(" ..."))
                           .toStdString());
    }
}

void CParameterDlg::exchangeStarting()
{
    if (!workBox_ || counting_ != Steps::Exchanges)
        return;
    DriveWork &work = workBox_->work();
    const int step = std::min(work.currentStep() + 1, work.steps());
    work.beginStep((workVerb_ + QStringLiteral(": exchange ") + QString::number(step) + QStringLiteral(" of ") +
                    QString::number(work.steps()) + QStringLiteral(" ..."))
                       .toStdString());
}

void CParameterDlg::setProgress(const QString &text)
{
    m_progress->setText(text);
    if (progressObserver_)
        progressObserver_(text);
}

template <class Command>
void CParameterDlg::runCommand(Command &&command)
{
    if (running_)
        return;
    running_ = true;
    command();
    running_ = false;
    setProgress(QString());
    if (exitPending_)
        OnExit();
}

template <class Command>
void CParameterDlg::runWithProgress(const QString &title, int steps, Steps counting, const QString &verb,
                                    Command &&command)
{
    if (running_)
        return;
    DriveWorkBox box(this, title);
    box.work().setSteps(steps);
    workBox_ = &box;
    counting_ = counting;
    workVerb_ = verb;
    const LinkRunner shortCalls = linkRunner();
    setLinkRunner([&box](const std::function<void()> &call) { box.run(call); });
    setDriveWork(&box.work());
    setExchangeListener([this] { exchangeStarting(); });
    box.begin();
    runCommand(std::forward<Command>(command));
    setExchangeListener({});
    setDriveWork(nullptr);
    setLinkRunner(shortCalls);
    workBox_ = nullptr;
}

// --- commands -------------------------------------------------------------------------

void CParameterDlg::OnAllWrite()
{
    runWithProgress(QStringLiteral("All Write"), commands_->allWriteSteps(), Steps::Groups, {}, [this] {
        if (!keepSnapshot("All Write"))
            return;
        const auto outcome = commands_->AllWrite();
        monitoring_ = outcome == parameters::ParameterCommands::AllWriteOutcome::RefusedWhileMonitoring;
        m_allWrite->setEnabled(linkUsable_ && !monitoring_);
    });
}

void CParameterDlg::OnWrite()
{
    // The value being typed is part of what is written, and of the plan.
    if (m_pCurrentForm)
        m_pCurrentForm->commitEditing();
    runWithProgress(QStringLiteral("Write"), commands_->writeExchanges(m_currentGroup), Steps::Exchanges,
                    QStringLiteral("Writing the ticked rows"), [this] {
                        // One exchange is the version read alone: nothing is ticked, nothing changes.
                        if (commands_->writeExchanges(m_currentGroup) > 1 && !keepSnapshot("Write"))
                            return;
                        commands_->Write(m_currentGroup);
                    });
}

void CParameterDlg::OnAllRead()
{
    runWithProgress(QStringLiteral("All Read"), commands_->allReadSteps(), Steps::Groups, {},
                    [this] { commands_->AllRead(false); });
}

void CParameterDlg::OnRead()
{
    runWithProgress(QStringLiteral("Read"), commands_->readExchanges(m_currentGroup), Steps::Exchanges,
                    QStringLiteral("Reading the ticked rows"), [this] { commands_->Read(m_currentGroup); });
}

void CParameterDlg::OnParameterLock()
{
    runCommand([this] { commands_->LockParameters(true); });
}

void CParameterDlg::OnParameterUnlock()
{
    runCommand([this] { commands_->LockParameters(false); });
}

bool CParameterDlg::saveTo(const QString &path)
{
    bool saved = false;
    runCommand([&] { saved = commands_->Save(path.toStdString()); });
    return saved;
}

bool CParameterDlg::loadFrom(const QString &path)
{
    bool loaded = false;
    runCommand([&] { loaded = commands_->Load(path.toStdString()); });
    return loaded;
}

void CParameterDlg::OnSaveFile()
{
    if (running_)
        return;
    const QString path = chooseParameterFile(this, ParameterFileChoice::Save);
    if (!path.isEmpty() && saveTo(path))
        RecentFiles::add(parameterFileType().kind, path);
}

void CParameterDlg::OnOpenFile()
{
    if (running_)
        return;
    const QString path = chooseParameterFile(this, ParameterFileChoice::Open);
    if (!path.isEmpty() && loadFrom(path))
        RecentFiles::add(parameterFileType().kind, path);
}

void CParameterDlg::OnCompareFile()
{
    if (running_)
        return;
    const QString path = chooseParameterFile(this, ParameterFileChoice::Open);
    if (!path.isEmpty())
        compareWith(path);
}

bool CParameterDlg::compareWith(const QString &path)
{
    std::optional<std::vector<parameters::ComparedRow>> rows;
    // Reading every group takes as long as All Read: shown, and cancellable, the same way.
    runWithProgress(QStringLiteral("Compare with file"), commands_->allReadSteps(), Steps::Groups, {},
                    [&] { rows = comparison_->compare(path.toStdString()); });
    if (!rows)
        return false;
    if (exited_)
        return true;
    if (rows->empty()) {
        drive()->messages().showInformation("The drive holds the values of the file: no parameter differs.");
        return true;
    }
    CParameterCompareDlg compared(std::move(*rows), QFileInfo(path).fileName(), this);
    if (compared.exec() != QDialog::Accepted || exited_)
        return true;
    const std::vector<parameters::ComparedRow> ticked = compared.tickedRows();
    runCommand([&] {
        if (!ticked.empty() && keepSnapshot("Compare with file"))
            comparison_->write(ticked);
    });
    return true;
}

bool CParameterDlg::keepSnapshot(const char *reason)
{
    return drive() && snapshots::snapshotBeforeChange(*drive(), reason, linkRunner());
}

void CParameterDlg::OnSelchangeTab(int index)
{
    const std::vector<int> groups = parameters::tabGroups(factoryGroupShown());
    if (index < 0 || static_cast<std::size_t>(index) >= groups.size())
        return;
    CParameterFormDlg *next = form(groups[static_cast<std::size_t>(index)]);
    if (!next)
        return;
    // A value being typed belongs to the form it was typed into.
    if (m_pCurrentForm) {
        m_pCurrentForm->commitEditing();
        m_pCurrentForm->hide();
    }
    next->show();
    m_pCurrentForm = next;
    m_currentGroup = static_cast<std::uint16_t>(next->group());
}

void CParameterDlg::OnExit()
{
    if (running_) {
        exitPending_ = true;
        return;
    }
    if (exited_)
        return;
    exited_ = true;
    hide();
    if (exitHandler_)
        exitHandler_();
    deleteLater();
}

void CParameterDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    OnExit();
}

void CParameterDlg::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close the window; EXIT does.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// --- observation ------------------------------------------------------------------------

CParameterFormDlg *CParameterDlg::form(int group) const
{
    return parameters::isValidGroup(group) ? m_forms[static_cast<std::size_t>(group)] : nullptr;
}

QPushButton *CParameterDlg::button(ControlId id) const
{
    switch (id) {
    case IDC_ALL_WRITE: return m_allWrite;
    case IDC_WRITE: return m_write;
    case IDC_ALL_READ: return m_allRead;
    case IDC_READ: return m_read;
    case IDC_EXIT: return m_exit;
    case ID_PARAMETER_LOCK: return m_lock;
    case ID_PARAMETER_UNLOCK: return m_unlock;
    default: return nullptr;
    }
}

} // namespace tarvex
