#include "app/frame/comm_set_dialog.h"

#include "drive/connection/adapter_doctor.h"
#include "app/ui/drive_work_box.h"
#include "app/ui/settings/user_settings.h"
#include "app/ui/ui_wait.h"
#include "drive/connection/bus_scan.h"
#include "drive/connection/drive_connection.h"
#include "drive/connection/frame_state.h"
#include "drive/text/node_list.h"
#include "link/port_open_failure.h"
#include "link/serial_devices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvex {

CCommSetDlg::CCommSetDlg(DriveConnection &drive, FrameState &frame, QWidget *parent)
    : QDialog(parent), CCommunication(&drive), m_driveConnection(drive), m_frame(frame)
{
    setWindowTitle(QStringLiteral("Communication Setting"));
    setModal(false);

    m_nodeField = new QLineEdit(this);
    m_nodeField->setValidator(new QIntValidator(kNodeMin, kNodeMax, m_nodeField));
    m_nodeField->setMaxLength(2);

    m_portField = new QComboBox(this);
    m_portField->setEditable(true);
    m_portField->setInsertPolicy(QComboBox::NoInsert);
    m_portField->setMinimumWidth(220);
    m_portField->setToolTip(QStringLiteral("COM number (1 = /dev/ttyS0), serial device path, or a serial "
                                           "device server's tcp://HOST:PORT or rfc2217://HOST:PORT"));
    m_portField->lineEdit()->setMaxLength(255);

    m_baudList = new QComboBox(this);
    m_baudList->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                          QStringLiteral("57600")});

    auto *group = new QGroupBox(QStringLiteral("Connection"), this);
    auto *grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Node No."), group), 0, 0);
    grid->addWidget(m_nodeField, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Port"), group), 1, 0);
    m_portNotes = new QLabel(group);
    m_portNotes->setTextFormat(Qt::PlainText);
    m_portNotes->setWordWrap(true);
    m_portNotes->setTextInteractionFlags(Qt::TextSelectableByMouse); // the remedies are to be copied
    m_portNotes->hide();
    grid->addWidget(m_portField, 1, 1);
    grid->addWidget(m_portNotes, 2, 1); // under the field they are about
    connect(m_portField, &QComboBox::currentTextChanged, this, &CCommSetDlg::checkChosenPort);
    grid->addWidget(new QLabel(QStringLiteral("Baud Rate"), group), 3, 0);
    grid->addWidget(m_baudList, 3, 1);
    m_fastExchangeBox = new QCheckBox(QStringLiteral("Fast exchange"), group);
    m_fastExchangeBox->setToolTip(
        QStringLiteral("Ends each exchange as soon as the drive's reply is in, instead of "
                       "waiting the fixed times (takes effect at the next Connect)"));
    grid->addWidget(m_fastExchangeBox, 4, 1);
    grid->setColumnStretch(1, 1);

    auto *scanGroup = new QGroupBox(QStringLiteral("Drives on the line"), this);
    auto *scanGrid = new QGridLayout(scanGroup);
    scanGrid->addWidget(new QLabel(QStringLiteral("Nodes"), scanGroup), 0, 0);
    m_scanNodesField = new QLineEdit(
        QString::number(kScanFirstNode) + QLatin1Char('-') + QString::number(kScanLastNode), scanGroup);
    m_scanNodesField->setMaxLength(200);
    m_scanNodesField->setToolTip(
        QStringLiteral("The nodes Scan asks, such as 0-31 or 1,2,5; a node that does not answer costs about a second"));
    scanGrid->addWidget(m_scanNodesField, 0, 1);
    m_scan = new QPushButton(QStringLiteral("Scan"), scanGroup);
    scanGrid->addWidget(m_scan, 0, 2);
    m_foundList = new QListWidget(scanGroup);
    m_foundList->setToolTip(QStringLiteral("Choose a drive to put its node in Node No."));
    scanGrid->addWidget(m_foundList, 1, 0, 1, 3);
    scanGrid->setColumnStretch(1, 1);
    connect(m_scan, &QPushButton::clicked, this, &CCommSetDlg::OnScan);
    connect(m_foundList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item)
            m_nodeField->setText(QString::number(item->data(Qt::UserRole).toInt()));
    });

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(m_ok, &QPushButton::clicked, this, &CCommSetDlg::OnOK);
    connect(m_cancel, &QPushButton::clicked, this, &CCommSetDlg::OnCancel);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(scanGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

CCommSetDlg::~CCommSetDlg()
{
    // The handle's own end joins only a thread that is done.
    m_doctor.waitUntilEnded({});
}

void CCommSetDlg::offerDevices()
{
    m_portField->clear();
    SerialDeviceRoots roots;
    roots.sysfs = m_driveConnection.sysfsRoot();
    m_offered = listSerialDevices(roots);
    for (const SerialDevice &port : m_offered)
        m_portField->addItem(QString::fromStdString(port.description()));
}

void CCommSetDlg::checkChosenPort()
{
    const auto port = parsePortText(portFromChoice(m_portField->currentText().toStdString(), m_offered));
    std::string device = port ? port->devicePath() : std::string();
    // Only a device node has anything to check; the virtual drive's link
    // is held by the virtual drive, as it should be.
    if (device.empty() || device.front() != '/' || device == virtualDriveLink())
        device.clear();
    {
        std::lock_guard lock(m_doctorMutex);
        m_doctorWanted = device;
        m_doctorSysfs = m_driveConnection.sysfsRoot();
    }
    if (device.empty()) {
        showPortNotes({}, {});
        return;
    }
    m_doctor.startIfIdle([this] { runDoctor(); },
                         [this] {
                             std::lock_guard lock(m_doctorMutex);
                             return !m_doctorWanted.empty() && m_doctorWanted != m_doctorDone;
                         });
}

void CCommSetDlg::runDoctor()
{
    DoctorRoots roots;
    std::string device;
    {
        std::lock_guard lock(m_doctorMutex);
        device = m_doctorWanted;
        roots.sysfs = m_doctorSysfs;
    }
    QString notes;
    if (!device.empty())
        for (const AdapterFinding &finding : examineAdapter(device, roots).findings())
            notes += (notes.isEmpty() ? QString() : QStringLiteral("\n")) + QString::fromStdString(finding.line());
    {
        std::lock_guard lock(m_doctorMutex);
        m_doctorDone = device;
    }
    QMetaObject::invokeMethod(
        this, [this, device, notes] { showPortNotes(device, notes); }, Qt::QueuedConnection);
}

void CCommSetDlg::showPortNotes(const std::string &device, const QString &notes)
{
    {
        std::lock_guard lock(m_doctorMutex);
        if (device != m_doctorWanted)
            return; // the field has moved on to another port
    }
    m_portNotes->setText(notes);
    m_portNotes->setVisible(!notes.isEmpty());
}

namespace {

// The link settings last accepted, kept between runs.
using settings_keys::kLinkBaud;
using settings_keys::kLinkNode;
using settings_keys::kLinkPort;
const QString &kLinkFast = settings_keys::kLinkFastExchange;

} // namespace

void CCommSetDlg::openDialog()
{
    // What was accepted last (in this run or an earlier one), else node 0
    // at 19200 baud; a PL2303 adapter present still wins the port.
    const auto node = parseNodeText(UserSettings::value(kLinkNode, 0).toString().toStdString());
    m_nodeAddr = node.value_or(0);
    m_nodeField->setText(QString::number(m_nodeAddr));
    const auto stored = parsePortText(UserSettings::value(kLinkPort).toString().toStdString());
    if (!m_accepted && stored)
        m_portChoice = *stored;
    const int baudIndex = m_baudList->findText(UserSettings::value(kLinkBaud, 19200).toString());
    m_baudList->setCurrentIndex(baudIndex >= 0 ? baudIndex : kDialogBaudIndex);
    m_portField->setEnabled(true);
    // The drive's line speed is one of its parameters (9600 to 57600).
    m_baudList->setEnabled(true);
    m_fastExchangeBox->setChecked(m_accepted ? fastExchange() : UserSettings::value(kLinkFast, false).toBool());
    offerDevices();
    if (!m_portChoice.isNetwork())
        m_driveConnection.FindUsbSerialPort(m_portChoice);
    m_portField->setEditText(QString::fromStdString(m_portChoice.text()));
    show();
    raise();
    activateWindow();
}

std::optional<PortChoice> CCommSetDlg::chosenPort()
{
    auto port = parsePortText(portFromChoice(m_portField->currentText().toStdString(), m_offered));
    if (!port) {
        const std::string problem = networkPortProblem(m_portField->currentText().toStdString());
        if (!problem.empty())
            m_driveConnection.messages().show(
                "Please enter the serial device server as tcp://HOST:PORT or rfc2217://HOST:PORT.", problem);
        else
            m_driveConnection.messages().show("Please enter a port number between 1 and 255 or a device path.");
        m_portField->setFocus();
        return port;
    }
    // A serial device server's address is typed on purpose: an adapter
    // plugged in beside it does not take its place.
    if (!port->isNetwork())
        m_driveConnection.FindUsbSerialPort(*port);
    return port;
}

void CCommSetDlg::OnOK()
{
    const auto node = parseNodeText(m_nodeField->text().toStdString());
    if (!node) {
        m_driveConnection.messages().show("Please enter an integer between 0 and 99.");
        m_nodeField->setFocus();
        return;
    }
    auto port = chosenPort();
    if (!port)
        return;
    // The link takes a new address at once: whatever the windows of the
    // drive now connected still hold or would send must end first.
    const LinkSettings current = m_driveConnection.settings();
    const bool keepLine = current.port == *port && current.baud == baudForIndex(m_baudList->currentIndex());
    const bool otherDrive = m_driveConnection.isLinkOpen() && (!keepLine || current.node != *node);
    if (otherDrive && m_leaveDrive && !m_leaveDrive(keepLine))
        return;
    m_accepted = 1;
    m_frame.setConnectionState(connection_state::kSettingsChosen);
    m_nodeAddr = *node;
    m_portChoice = *port;
    ApplySettings(m_nodeAddr, m_portChoice, m_baudList->currentIndex(),
                  m_fastExchangeBox->isChecked());
    UserSettings::setValue(kLinkPort, QString::fromStdString(m_portChoice.text()));
    UserSettings::setValue(kLinkNode, m_nodeAddr);
    UserSettings::setValue(kLinkBaud, m_baudList->currentText());
    UserSettings::setValue(kLinkFast, m_fastExchangeBox->isChecked());
    hide();
    if (otherDrive && keepLine && m_driveConnection.isLinkOpen())
        switchNodeOnOpenLine();
}

void CCommSetDlg::switchNodeOnOpenLine()
{
    bool answered = false;
    const std::uint8_t node = m_nodeAddr;
    runKeepingUiAlive([this, node, &answered] { answered = m_driveConnection.SwitchToNode(node); });
    if (answered) {
        m_frame.setConnectionState(connection_state::kConnected);
        if (m_driveReached)
            m_driveReached();
        return;
    }
    m_driveConnection.messages().show(
        "No drive answered at node " + std::to_string(node) + ".",
        "The port stays open. Choose Communication Setting again to pick another node (Scan lists the "
        "drives that answer), or Disconnect.");
}

void CCommSetDlg::OnScan()
{
    MessageService &messages = m_driveConnection.messages();
    // Scanning readdresses the line: a drive connected now would have its
    // windows' requests go to other nodes meanwhile.
    if (m_driveConnection.isLinkOpen()) {
        messages.show("Scan needs the line to itself: choose Communication > Disconnect first.");
        return;
    }
    const std::string listText = m_scanNodesField->text().trimmed().toStdString();
    const auto nodes = parseNodeList(listText, kNodeMin, kNodeMax);
    if (!nodes) {
        messages.show("Please enter the nodes to scan as numbers 0 to 99, each once, such as 0-31 or 1,2,5.");
        m_scanNodesField->setFocus();
        return;
    }
    auto port = chosenPort();
    if (!port)
        return;
    m_foundList->clear();

    const LinkSettings before = m_driveConnection.settings();
    LinkSettings line = before;
    line.port = *port;
    line.baud = baudForIndex(m_baudList->currentIndex());
    m_driveConnection.storeSettings(line);
    bool initialised = false;
    bool opened = false;
    std::int32_t openError = 0;
    bool cancelled = false;
    std::vector<FoundDrive> found;
    {
        DriveWorkBox box(this, QStringLiteral("Scan"));
        DriveWork &work = box.work();
        work.setSteps(static_cast<int>(nodes->size()));
        box.begin();
        box.run([&] {
            DriveConnection &drive = m_driveConnection;
            initialised = drive.InitLink();
            if (!initialised)
                return;
            opened = drive.link().Connect(drive.heartbeat().handle()) != 0;
            if (!opened) {
                openError = drive.link().LastOpenError();
                return;
            }
            found = scanBus(drive, *nodes, [&](std::size_t asked) {
                const std::string caption = "Asking node " + std::to_string((*nodes)[asked]) + " (" +
                                            std::to_string(asked + 1) + " of " + std::to_string(nodes->size()) +
                                            ")";
                // The steps belong to the box's thread; the box drops what
                // is still queued when it goes.
                QMetaObject::invokeMethod(
                    &box, [&work, caption] { work.beginStep(caption); }, Qt::QueuedConnection);
                return !work.cancelRequested();
            });
            drive.link().DisConnect();
        });
        cancelled = work.cancelRequested();
    }
    m_driveConnection.storeSettings(before);
    if (before.baud != 0)
        m_driveConnection.InitLink();

    if (!initialised) {
        messages.show("Communication Init Error!");
        return;
    }
    if (!opened) {
        messages.show("Communication Connect Error!(Check COMPORT, Cable, Control Power)",
                      portOpenFailureText(port->text(), openError));
        return;
    }
    for (const FoundDrive &drive : found) {
        auto *item = new QListWidgetItem(
            QStringLiteral("node %1: %2").arg(drive.node).arg(QString::fromStdString(drive.firmware)), m_foundList);
        item->setData(Qt::UserRole, int{drive.node});
    }
    if (found.empty() && !cancelled)
        messages.show("No drive answered on nodes " + listText + ".",
                      "Check the port, the baud rate, the cable and the drives' control power.");
}

void CCommSetDlg::OnCancel()
{
    if (!m_accepted)
        m_frame.setConnectionState(connection_state::kNothingChosen);
    hide();
}

} // namespace tarvex
