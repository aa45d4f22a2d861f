#include "upgrader/upgrader_window.h"

#include "link/network_address.h"
#include "app/ui/files/file_dialogs.h"

#include "link/port_open_failure.h"
#include "link/serial_devices.h"
#include "link/usb_serial_port.h"
#include "upgrader/upgrader_art.h"
#include "drive/firmware/firmware_image.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <chrono>

using upgrader::BootSession;

CM9UpgraderDlg::CM9UpgraderDlg(MessagePresenter presenter, QWidget *parent)
    : QDialog(parent), presenter_(std::move(presenter)),
      session_(port_, [this](const std::string &text) { messageFromWorker(text); })
{
    setWindowTitle(QStringLiteral("M9 Upgrader v1.5"));
    setWindowIcon(upgraderIcon());

    auto *menuBar = new QMenuBar(this);
    QMenu *help = menuBar->addMenu(tr("&Help"));
    help->addAction(QStringLiteral("&About M9 Upgrader..."), this, &CM9UpgraderDlg::showAbout);

    auto *logo = new QLabel(this);
    logo->setPixmap(upgraderLogo(QSize(360, 72)));
    logo->setAlignment(Qt::AlignCenter);

    path_ = new QLineEdit(this);
    path_->setMaxLength(4096);
    path_->setToolTip(tr("The HEX file: type its path and press Return, or choose it with \"...\""));
    browse_ = new QPushButton(QStringLiteral("..."), this);
    browse_->setFixedWidth(32);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    nodeId_ = new QSpinBox(this);
    nodeId_->setRange(0, 255);
    nodeId_->setValue(0);
    portBox_ = new QComboBox(this);
    portBox_->setEditable(true);
    portBox_->setToolTip(tr("Serial device of the drive; a USB serial adapter is found by ComSet."));
    offerDevices();
    if (portBox_->count() == 0)
        portBox_->addItem(QString::fromStdString(port_.portName()));

    comSet_ = new QPushButton(QStringLiteral("ComSet"), this);
    ready_ = new QPushButton(QStringLiteral("Ready"), this);
    download_ = new QPushButton(QStringLiteral("Download"), this);
    close_ = new QPushButton(QStringLiteral("Close"), this);
    ready_->setEnabled(false);
    download_->setEnabled(false);
    // The tips say what each step needs, so a greyed button tells what to do first.
    browse_->setToolTip(tr("Choose the HEX file"));
    comSet_->setToolTip(tr("Take the node and port, and look for the drive cable's adapter"));
    ready_->setToolTip(tr("Bring the drive into its boot loader (after ComSet)"));
    download_->setToolTip(tr("Send the HEX file to the drive (once Ready has found the boot loader)"));
    close_->setToolTip(tr("Close the upgrader (not while a download runs)"));

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("File Path"), this), 0, 0);
    grid->addWidget(path_, 0, 1);
    grid->addWidget(browse_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Progress"), this), 1, 0);
    grid->addWidget(progress_, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("NodeID"), this), 2, 0);
    auto *nodeRow = new QHBoxLayout;
    nodeRow->addWidget(nodeId_);
    nodeRow->addSpacing(12);
    nodeRow->addWidget(new QLabel(tr("Port"), this));
    nodeRow->addWidget(portBox_, 1);
    grid->addLayout(nodeRow, 2, 1, 1, 2);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {comSet_, ready_, download_, close_})
        buttons->addWidget(b);
    // Return in the path box takes the path; it must not also press a
    // button (the browse dialog, or ComSet reopening the port).
    for (QPushButton *b : {browse_, comSet_, ready_, download_, close_})
        b->setAutoDefault(false);

    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(logo);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(status_);
    setMinimumWidth(460);

    connect(browse_, &QPushButton::clicked, this, &CM9UpgraderDlg::browse);
    connect(comSet_, &QPushButton::clicked, this, &CM9UpgraderDlg::comSet);
    connect(ready_, &QPushButton::clicked, this, &CM9UpgraderDlg::ready);
    connect(download_, &QPushButton::clicked, this, &CM9UpgraderDlg::startDownload);
    connect(path_, &QLineEdit::returnPressed, this, [this] { takePath(path_->text()); });
    connect(close_, &QPushButton::clicked, this, &CM9UpgraderDlg::close);
    session_.setStatusListener([this](const std::string &text) {
        const QString line = QString::fromStdString(text);
        onUiThread([this, line] { showStatus(line); });
    });
    monitorTimer_.setInterval(30);
    connect(&monitorTimer_, &QTimer::timeout, this, &CM9UpgraderDlg::monitor);
}

CM9UpgraderDlg::~CM9UpgraderDlg()
{
    presenter_ = nullptr; // messages still in flight are dropped from here on
    joinWorkers();
    port_.close();
}

void CM9UpgraderDlg::joinWorkers()
{
    // A worker may be waiting for a message to be shown on this thread, so
    // keep the event loop turning until both have ended.
    const auto serve = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); };
    bootEntry_.waitUntilEnded(serve);
    downloader_.waitUntilEnded(serve);
}

bool CM9UpgraderDlg::isBusy() const { return bootEntry_.isRunning() || downloader_.isRunning(); }

void CM9UpgraderDlg::offerDevices()
{
    tarvex::SerialDeviceRoots roots;
    roots.sysfs = sysfsRoot_.toStdString();
    roots.dev = deviceDirectory_.toStdString();
    offered_ = tarvex::listSerialDevices(roots);
    portBox_->clear();
    for (const tarvex::SerialDevice &port : offered_)
        portBox_->addItem(QString::fromStdString(port.description()));
}

void CM9UpgraderDlg::setHexPath(const QString &path) { takePath(path); }

bool CM9UpgraderDlg::checkPath(const QString &path)
{
    const std::string problem = upgrader::hexPathProblem(path.toStdString());
    if (problem.empty())
        return true;
    const QString text = QString::fromStdString(problem);
    showStatus(text);
    if (presenter_)
        presenter_(this, text);
    return false;
}

void CM9UpgraderDlg::takePath(const QString &typed)
{
    const QString path = typed.trimmed();
    path_->setText(path);
    if (path.isEmpty() || !checkPath(path))
        return;
    // The next step is said with its button enabled: a boot loader already
    // waiting takes the new file as it would have taken the old.
    const QString chosen = QStringLiteral("HEX file ") + QFileInfo(path).fileName() + QStringLiteral(" chosen: ");
    if (downloadEnabled_ && !isBusy()) {
        download_->setEnabled(true);
        showStatus(chosen + QStringLiteral("click Download."));
    } else if (ready_->isEnabled()) {
        showStatus(chosen + QStringLiteral("click Ready to bring the drive into its boot loader."));
    } else if (comSet_->isEnabled()) {
        showStatus(chosen + QStringLiteral("choose the node and port, then click ComSet."));
    } else {
        showStatus(chosen.chopped(2) + QStringLiteral("."));
    }
}

void CM9UpgraderDlg::setPortName(const QString &device) { portBox_->setEditText(device); }

void CM9UpgraderDlg::takeOverPort(const QString &device)
{
    if (isBusy())
        return;
    portBox_->setEditText(device);
    port_.setStation(static_cast<std::uint8_t>(nodeId_->value() & 0xFF));
    port_.setPortName(device.toStdString());
    port_.close();
    // Held open from here on, so that nothing else takes the port between
    // the main program letting go and Ready.
    if (port_.open(BootSession::kProbeRates[0]))
        showStatus(QStringLiteral("Port ") + device +
                   QStringLiteral(" is open: click Ready to bring the drive into its boot loader."));
    else
        showStatus(QStringLiteral("Port ") + device + QStringLiteral(" could not be opened (") +
                   QString::fromStdString(tarvex::portOpenFailureText(port_.portName(), port_.lastError())) +
                   QStringLiteral("). Choose the port and click ComSet."));
    ready_->setEnabled(true);
}

void CM9UpgraderDlg::showStatus(const QString &text) { status_->setText(text); }

void CM9UpgraderDlg::onUiThread(std::function<void()> action)
{
    QMetaObject::invokeMethod(this, std::move(action), Qt::QueuedConnection);
}

void CM9UpgraderDlg::messageFromWorker(const std::string &text)
{
    const QString message = QString::fromStdString(text);
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (presenter_)
                presenter_(this, message);
        },
        Qt::BlockingQueuedConnection);
}

void CM9UpgraderDlg::browse()
{
    const QString file = tarvex::chooseFile(
        this, {QStringLiteral("hex"), {QStringLiteral("ZRD-M9 HEX File(*.hex)")}}, tarvex::FileChoice::Open);
    if (!file.isEmpty())
        setHexPath(file);
}

void CM9UpgraderDlg::comSet()
{
    // The workers read the port settings; a change under them, or the Ready
    // this enables, would pull the port away from a running download.
    if (isBusy())
        return;
    port_.setStation(static_cast<std::uint8_t>(nodeId_->value() & 0xFF));
    const QString typed = portBox_->currentText();
    offerDevices();
    portBox_->setEditText(typed);
    port_.setPortName(tarvex::portFromChoice(typed.toStdString(), offered_));
    // A serial device server's address is typed on purpose: an adapter
    // plugged in beside it does not take its place.
    if (vq::link::isNetworkDevice(port_.portName())) {
        ready_->setEnabled(true);
        return;
    }
    const auto adapter = tarvex::findUsbSerialAdapter(sysfsRoot_.toStdString());
    if (!adapter.listReadable)
        presenter_(this, QStringLiteral("Fail"));
    if (adapter.device) {
        // The search names the node under /dev; the same name is looked up in
        // the device directory in use.
        const QString name = QFileInfo(QString::fromStdString(*adapter.device)).fileName();
        const QString device = QDir(deviceDirectory_).filePath(name);
        port_.setPortName(device.toStdString());
        portBox_->setEditText(device);
    }
    ready_->setEnabled(true);
}

void CM9UpgraderDlg::ready()
{
    if (isBusy())
        return;
    progress_->setRange(0, 100);
    progress_->setValue(0);
    session_.resetProgress();
    ready_->setEnabled(false);
    download_->setEnabled(false);
    comSet_->setEnabled(false);
    port_.close();
    // The node shown is the node asked, also when ComSet was skipped because
    // the port came from the command line.
    port_.setStation(static_cast<std::uint8_t>(nodeId_->value() & 0xFF));
    const QString device = QString::fromStdString(port_.portName());
    showStatus(QStringLiteral("Looking for the drive on ") + device + QStringLiteral("..."));
    applicationAnswered_ = false;
    bootEntry_.waitUntilEnded({});
    // The probe at the four rates and the handshake run off the window's
    // thread so that it keeps painting.
    bootEntry_.startIfIdle([this, device] {
        const bool answered = session_.probeApplication();
        applicationAnswered_ = answered;
        if (!answered) {
            downloadEnabled_ = false;
            onUiThread([this] { download_->setEnabled(false); });
        }
        const bool enabled = session_.enterBootLoader(answered);
        const bool silent = session_.bootLoaderSilent();
        if (enabled)
            downloadEnabled_ = true;
        onUiThread([this, enabled, silent, device] {
            if (enabled)
                download_->setEnabled(true);
            ready_->setEnabled(true);
            comSet_->setEnabled(true);
            if (enabled) {
                showStatus(QStringLiteral("Boot loader found on ") + device + QStringLiteral(": click Download."));
            } else if (silent) {
                showStatus(QStringLiteral("No answer from the boot loader on ") + device + QStringLiteral("."));
                if (presenter_)
                    presenter_(this, QStringLiteral("The boot loader did not answer on ") + device +
                                         QStringLiteral(". Check the cable, the drive's control power and "
                                                        "the port, then click Ready again."));
            } else {
                showStatus(QStringLiteral("Port ") + device + QStringLiteral(" could not be opened."));
            }
        });
    });
}

void CM9UpgraderDlg::startDownload()
{
    if (!downloadEnabled_ || downloader_.isRunning())
        return;
    // The path as the box shows it, typed or chosen; an empty one goes on
    // to the download, which says so in its own words.
    const QString typed = path_->text().trimmed();
    path_->setText(typed);
    if (!typed.isEmpty() && !checkPath(typed))
        return; // nothing sent: the boot loader still waits, Download stays offered
    session_.resetProgress();
    ready_->setEnabled(false);
    close_->setEnabled(false);
    download_->setEnabled(false);
    comSet_->setEnabled(false);
    result_ = upgrader::kRunning;
    downloader_.waitUntilEnded({});
    showStatus(QStringLiteral("Downloading ") + typed + QStringLiteral("..."));
    const std::string path = typed.toStdString();
    downloader_.startIfIdle([this, path] { result_ = session_.download(path); });
    monitorTimer_.start();
}

void CM9UpgraderDlg::monitor()
{
    const int result = result_.load();
    // The status line never keeps offering the Download the end takes away.
    auto finish = [this](const QString &next = QStringLiteral("Nothing was sent. Click ComSet, then Ready, to try again.")) {
        monitorTimer_.stop();
        close_->setEnabled(true);
        comSet_->setEnabled(true);
        downloadEnabled_ = false;
        showStatus(next);
    };
    switch (result) {
    case upgrader::kNoPath:
        finish();
        presenter_(this, QStringLiteral("File Full Path is not command!!"));
        return;
    case upgrader::kUnknownRecord:
        finish();
        presenter_(this, QStringLiteral("Unknown hex record type"));
        return;
    case upgrader::kCannotOpenFile:
        finish();
        presenter_(this, QStringLiteral("Can't open HEX File"));
        return;
    case upgrader::kBadHexFile:
        finish(); // the download has said why
        return;
    case upgrader::kCommunicationError:
        finish(QStringLiteral("The download broke off. Click Ready to try again."));
        ready_->setEnabled(true);
        presenter_(this, QStringLiteral("USB Commucation Error!!"));
        return;
    default:
        break;
    }
    const double value = session_.progress();
    progress_->setValue(static_cast<int>(value));
    if (value >= 100.0 && result == upgrader::kCompleted) {
        finish(QStringLiteral("The firmware has been downloaded."));
        progress_->setValue(100);
        presenter_(this, QStringLiteral("Firmware Download Completion!!"));
        ready_->setEnabled(true);
        download_->setEnabled(false);
    }
}

void CM9UpgraderDlg::showAbout()
{
    QMessageBox about(this);
    about.setWindowTitle(QStringLiteral("About M9 Upgrader"));
    about.setIconPixmap(upgraderIcon().pixmap(48, 48));
    about.setText(QStringLiteral("M9 Upgrader\nVersion 1.0"));
    about.exec();
}

void CM9UpgraderDlg::closeEvent(QCloseEvent *event)
{
    // Leaving in the middle of a download could leave the drive without a
    // working program, so the window stays until the download has ended.
    if (isBusy()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CM9UpgraderDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && isBusy())
        return;
    QDialog::keyPressEvent(event);
}
