#include "app/frame/comm_set_dialog.h"

#include "drive/connection/adapter_doctor.h"
#include "drive/connection/drive_connection.h"
#include "drive/connection/frame_state.h"
#include "link/serial_devices.h"
#include "app/ui/settings/user_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
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
    auto *portColumn = new QVBoxLayout;
    portColumn->addWidget(m_portField);
    portColumn->addWidget(m_portNotes);
    grid->addLayout(portColumn, 1, 1);
    connect(m_portField, &QComboBox::currentTextChanged, this, &CCommSetDlg::checkChosenPort);
    grid->addWidget(new QLabel(QStringLiteral("Baud Rate"), group), 2, 0);
    grid->addWidget(m_baudList, 2, 1);
    m_fastExchangeBox = new QCheckBox(QStringLiteral("Fast exchange"), group);
    m_fastExchangeBox->setToolTip(
        QStringLiteral("Ends each exchange as soon as the drive's reply is in, instead of "
                       "waiting the fixed times (takes effect at the next Connect)"));
    grid->addWidget(m_fastExchangeBox, 3, 1);
    grid->setColumnStretch(1, 1);

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

void CCommSetDlg::OnOK()
{
    const auto node = parseNodeText(m_nodeField->text().toStdString());
    if (!node) {
        m_driveConnection.messages().show("Please enter an integer between 0 and 99.");
        m_nodeField->setFocus();
        return;
    }
    const auto port =
        parsePortText(portFromChoice(m_portField->currentText().toStdString(), m_offered));
    if (!port) {
        const std::string problem = networkPortProblem(m_portField->currentText().toStdString());
        if (!problem.empty())
            m_driveConnection.messages().show(
                "Please enter the serial device server as tcp://HOST:PORT or rfc2217://HOST:PORT.", problem);
        else
            m_driveConnection.messages().show(
                "Please enter a port number between 1 and 255 or a device path.");
        m_portField->setFocus();
        return;
    }
    m_accepted = 1;
    m_frame.setConnectionState(connection_state::kSettingsChosen);
    m_nodeAddr = *node;
    m_portChoice = *port;
    // A serial device server's address is typed on purpose: an adapter
    // plugged in beside it does not take its place.
    if (!m_portChoice.isNetwork())
        m_driveConnection.FindUsbSerialPort(m_portChoice);
    ApplySettings(m_nodeAddr, m_portChoice, m_baudList->currentIndex(),
                  m_fastExchangeBox->isChecked());
    UserSettings::setValue(kLinkPort, QString::fromStdString(m_portChoice.text()));
    UserSettings::setValue(kLinkNode, m_nodeAddr);
    UserSettings::setValue(kLinkBaud, m_baudList->currentText());
    UserSettings::setValue(kLinkFast, m_fastExchangeBox->isChecked());
    hide();
}

void CCommSetDlg::OnCancel()
{
    if (!m_accepted)
        m_frame.setConnectionState(connection_state::kNothingChosen);
    hide();
}

} // namespace tarvex
