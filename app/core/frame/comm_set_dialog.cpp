#include "comm_set_dialog.h"

#include "drive_connection.h"
#include "frame_state.h"
#include "serial_devices.h"

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
    m_portField->setToolTip(QStringLiteral("COM number (1 = /dev/ttyS0) or serial device path"));
    m_portField->lineEdit()->setMaxLength(255);

    m_baudList = new QComboBox(this);
    m_baudList->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                          QStringLiteral("57600")});

    auto *group = new QGroupBox(QStringLiteral("Connection"), this);
    auto *grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Node No."), group), 0, 0);
    grid->addWidget(m_nodeField, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Port"), group), 1, 0);
    grid->addWidget(m_portField, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("COM"), group), 1, 2);
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

void CCommSetDlg::offerDevices()
{
    m_portField->clear();
    SerialDeviceRoots roots;
    roots.sysfs = m_driveConnection.sysfsRoot();
    m_offered = listSerialDevices(roots);
    for (const SerialDevice &port : m_offered)
        m_portField->addItem(QString::fromStdString(port.description()));
}

void CCommSetDlg::openDialog()
{
    m_nodeAddr = 0;
    m_nodeField->setText(QStringLiteral("0"));
    m_baudList->setCurrentIndex(kDialogBaudIndex);
    m_portField->setEnabled(true);
    m_baudList->setEnabled(false);
    m_fastExchangeBox->setChecked(fastExchange());
    offerDevices();
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
        m_driveConnection.messages().show(
            "Please enter a port number between 1 and 255 or a device path.");
        m_portField->setFocus();
        return;
    }
    m_accepted = 1;
    m_frame.setConnectionState(connection_state::kSettingsChosen);
    m_nodeAddr = *node;
    m_portChoice = *port;
    m_driveConnection.FindUsbSerialPort(m_portChoice);
    ApplySettings(m_nodeAddr, m_portChoice, m_baudList->currentIndex(),
                  m_fastExchangeBox->isChecked());
    hide();
}

void CCommSetDlg::OnCancel()
{
    if (!m_accepted)
        m_frame.setConnectionState(connection_state::kNothingChosen);
    hide();
}

} // namespace tarvex
