// "Communication Setting": node address and port of the drive link. The
// rate is fixed at 19200 baud (the list is shown but cannot be changed). The
// port field takes a COM number or a device path and offers the serial
// devices present, each with a description (adapter, USB ids, driver and
// stable name); a USB serial adapter of the drive's cable, when one is
// plugged in, wins over whatever was typed. "Fast exchange" chooses the link
// library's fast exchange profile for the next connection; it stays as last
// accepted. Below the port field the adapter doctor's notes for the chosen
// device say what would keep it from serving the drive, each with its
// remedy; they are gathered on a worker, as reading the process table may
// take a while.
//
// Scan asks the nodes of a range on the chosen line, while disconnected,
// and lists the drives that answer ("node N: firmware"); choosing one puts
// its node in the node field. OK with another node, port or rate while
// connected first has the frame leave the drive by the usual rules (motion
// to rest, monitoring stopped, its windows closed); only then is the next
// drive addressed.
#pragma once

#include "drive/connection/communication.h"
#include "drive/connection/worker_thread.h"
#include "link/serial_devices.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
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
    ~CCommSetDlg() override;

    // What the menu command does: prepares the fields and shows the dialog modeless.
    void openDialog();
    void OnOK();
    void OnCancel();

    bool wasAccepted() const { return m_accepted != 0; }
    QLineEdit &nodeField() { return *m_nodeField; }
    QComboBox &portField() { return *m_portField; }
    QComboBox &baudList() { return *m_baudList; }
    QCheckBox &fastExchangeBox() { return *m_fastExchangeBox; }
    QLabel &portNotes() { return *m_portNotes; }
    QLineEdit &scanNodesField() { return *m_scanNodesField; }
    QPushButton &scanButton() { return *m_scan; }
    QPushButton &okButton() { return *m_ok; }
    QListWidget &foundList() { return *m_foundList; }

    // Called before the connected drive is left for another node
    // (`keepLine`) or another port or rate; false keeps the drive (a stop
    // was not confirmed) and the dialog stays open.
    void setLeaveDrive(std::function<bool(bool keepLine)> leave) { m_leaveDrive = std::move(leave); }
    // Called when another node on the open line has answered, as after a Connect.
    void setDriveReached(std::function<void()> reached) { m_driveReached = std::move(reached); }
    void OnScan();

protected:
    void reject() override { OnCancel(); }

private:
    void offerDevices();
    void checkChosenPort();
    void runDoctor();
    void showPortNotes(const std::string &device, const QString &notes);
    std::optional<PortChoice> chosenPort();
    void switchNodeOnOpenLine();

    DriveConnection &m_driveConnection;
    FrameState &m_frame;
    QLineEdit *m_nodeField = nullptr;
    QComboBox *m_portField = nullptr;
    QComboBox *m_baudList = nullptr;
    QCheckBox *m_fastExchangeBox = nullptr;
    QLineEdit *m_scanNodesField = nullptr;
    QPushButton *m_scan = nullptr;
    QListWidget *m_foundList = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;

    std::uint8_t m_nodeAddr = 0;
    PortChoice m_portChoice; // what the port field shows; initially COM1
    std::vector<SerialDevice> m_offered; // the list of the port field
    std::int32_t m_accepted = 0;

    QLabel *m_portNotes = nullptr;
    std::mutex m_doctorMutex;   // guards the three fields below
    std::string m_doctorWanted; // the device whose notes the field wants; empty: none
    std::string m_doctorDone;   // the device the worker examined last
    std::string m_doctorSysfs;
    WorkerHandle m_doctor; // last, so that it ends before the fields it uses go
    std::function<bool(bool keepLine)> m_leaveDrive;
    std::function<void()> m_driveReached;
};

} // namespace tarvex
