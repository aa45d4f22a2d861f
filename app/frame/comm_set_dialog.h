// "Communication Setting": node address and port of the drive link. The
// rate is fixed at 19200 baud (the list is shown but cannot be changed). The
// port field takes a COM number or a device path and offers the serial
// devices present, each with a description (adapter, USB ids, driver and
// stable name); a USB serial adapter of the drive's cable, when one is
// plugged in, wins over whatever was typed. "Fast exchange" chooses the link
// library's fast exchange profile for the next connection; it stays as last
// accepted.
#pragma once

#include "drive/connection/communication.h"
#include "link/serial_devices.h"

#include <vector>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace tarvex {

class FrameState;

class CCommSetDlg : public QDialog, public CCommunication {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 320;
    static constexpr int kNodeFieldId = 1005;
    static constexpr int kPortFieldId = 1190;
    static constexpr int kBaudListId = 1004;
    static constexpr int kOkId = 1006;
    static constexpr int kCancelId = 1007;

    CCommSetDlg(DriveConnection &drive, FrameState &frame, QWidget *parent = nullptr);

    // What the menu command does: prepares the fields and shows the dialog modeless.
    void openDialog();
    void OnOK();
    void OnCancel();

    bool wasAccepted() const { return m_accepted != 0; }
    QLineEdit &nodeField() { return *m_nodeField; }
    QComboBox &portField() { return *m_portField; }
    QComboBox &baudList() { return *m_baudList; }
    QCheckBox &fastExchangeBox() { return *m_fastExchangeBox; }

protected:
    void reject() override { OnCancel(); }

private:
    void offerDevices();

    DriveConnection &m_driveConnection;
    FrameState &m_frame;
    QLineEdit *m_nodeField = nullptr;
    QComboBox *m_portField = nullptr;
    QComboBox *m_baudList = nullptr;
    QCheckBox *m_fastExchangeBox = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;

    std::uint8_t m_nodeAddr = 0;
    PortChoice m_portChoice; // what the port field shows; initially COM1
    std::vector<SerialDevice> m_offered; // the list of the port field
    std::int32_t m_accepted = 0;
};

} // namespace tarvex
