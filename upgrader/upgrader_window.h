// The firmware upgrader's window: choose a HEX file, find the adapter
// ("ComSet"), bring the drive into its boot loader ("Ready") and download the
// image ("Download") while a progress monitor reports the outcome.
#pragma once

#include "drive/firmware/boot_port.h"
#include "drive/firmware/boot_session.h"
#include "drive/connection/worker_thread.h"
#include "link/serial_devices.h"

#include <QDialog>
#include <QTimer>

#include <atomic>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

class CM9UpgraderDlg : public QDialog {
    Q_OBJECT
public:
    // Shows one message and returns when it has been dismissed; always called
    // on the window's thread.
    using MessagePresenter = std::function<void(QWidget *parent, const QString &text)>;

    explicit CM9UpgraderDlg(MessagePresenter presenter, QWidget *parent = nullptr);
    ~CM9UpgraderDlg() override;

    // The sysfs tree searched by "ComSet" and the directory holding the
    // device nodes it names (tests point both at made-up ones).
    void setSysfsRoot(const QString &root) { sysfsRoot_ = root; }
    void setDeviceDirectory(const QString &directory) { deviceDirectory_ = directory; }
    // Where the user's choice of a HEX file lands (the browse button's dialog
    // ends here, as does Return in the path box): checked at once, and the
    // status line says what comes next.
    void setHexPath(const QString &path);
    void setPortName(const QString &device);
    // Takes the device another program has just let go of (the main
    // program's OS Upgrade): chosen and opened without ComSet, Ready offered.
    void takeOverPort(const QString &device);
    bool isBusy() const;
    upgrader::BootSession &session() { return session_; }

    // The controls, for the tests that use them.
    QLineEdit *pathBox() const { return path_; }
    QSpinBox *nodeIdBox() const { return nodeId_; }
    QComboBox *portBox() const { return portBox_; }
    QPushButton *comSetButton() const { return comSet_; }
    QPushButton *readyButton() const { return ready_; }
    QPushButton *downloadButton() const { return download_; }
    QPushButton *closeButton() const { return close_; }
    QProgressBar *progressBar() const { return progress_; }
    // The line that says what the window is doing (port open, boot loader found).
    QLabel *statusLine() const { return status_; }
    int downloadResult() const { return result_.load(); }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void browse();
    void takePath(const QString &typed);
    // False (and the user told why) when `path` cannot be a HEX file.
    bool checkPath(const QString &path);
    void comSet();
    // Fills the port list from the system's serial devices, each described.
    void offerDevices();
    void ready();
    void startDownload();
    void monitor();
    void showAbout();
    void showStatus(const QString &text);
    // Shows a message from a worker thread on the window's thread and waits.
    void messageFromWorker(const std::string &text);
    void onUiThread(std::function<void()> action);
    void joinWorkers();

    MessagePresenter presenter_;
    QString sysfsRoot_ = QStringLiteral("/sys");
    std::vector<tarvex::SerialDevice> offered_;
    QString deviceDirectory_ = QStringLiteral("/dev");
    upgrader::BootPort port_;
    upgrader::BootSession session_;

    QLineEdit *path_ = nullptr;
    QProgressBar *progress_ = nullptr;
    QSpinBox *nodeId_ = nullptr;
    QComboBox *portBox_ = nullptr;
    QPushButton *browse_ = nullptr;
    QPushButton *comSet_ = nullptr;
    QPushButton *ready_ = nullptr;
    QPushButton *download_ = nullptr;
    QPushButton *close_ = nullptr;
    QLabel *status_ = nullptr;
    QTimer monitorTimer_;

    std::atomic<bool> applicationAnswered_{false};
    std::atomic<bool> downloadEnabled_{false};
    std::atomic<int> result_{upgrader::kRunning};
    tarvex::WorkerHandle bootEntry_;
    tarvex::WorkerHandle downloader_;
};
