// The upgrader's window driven as a user drives it, against the virtual
// drive on a real pseudo-terminal: "ComSet" finds the cable's adapter in a
// made-up sysfs, "Ready" brings the drive into its boot loader, "Download"
// flashes a HEX file; the buttons, the progress bar and the messages follow
// every step, and the refusals send nothing to the drive.
// The drive model names things "signals", which Qt's headers make a keyword:
// it goes first.
#include "simulator/src/virtual_drive.h"

#include "upgrader/caution_dialog.h"
#include "tests/drive/firmware/hex_writer.h"
#include "upgrader/upgrader_options.h"
#include "upgrader/upgrader_window.h"
#include "tests/app/support/fake_usb_tty.h"
#include "tests/app/support/file_dialog_driver.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>

using namespace hextest;
namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kErased = 0xFFFFFF;

// Keeps the event loop turning (worker messages are shown on this thread)
// until `done` holds; the deadline only stops a broken build from hanging.
bool waitUntil(const std::function<bool()> &done)
{
    const QDeadlineTimer deadline(60000);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    QCoreApplication::processEvents();
    return true;
}

// Program instructions by word address, as HEX data records of one
// instruction each, with the extended linear address records they need.
std::string hexFile(const std::map<std::uint32_t, std::uint32_t> &program, std::vector<std::string> extra = {})
{
    std::string text;
    int upper = 0;
    for (const auto &[word, op] : program) {
        const std::uint32_t byte = 2 * word;
        if (static_cast<int>(byte >> 16) != upper) {
            upper = static_cast<int>(byte >> 16);
            text += extendedLinear(upper) + "\r\n";
        }
        text += data(static_cast<int>(byte & 0xFFFF), instruction(op)) + "\r\n";
    }
    for (const std::string &line : extra)
        text += line + "\r\n";
    return text + endOfFile() + "\r\n";
}

// Rows spread over the whole program memory (every 40th and the last), a
// few instructions in each, and the file's own reset jump in row 0.
std::map<std::uint32_t, std::uint32_t> spreadProgram()
{
    std::map<std::uint32_t, std::uint32_t> program;
    program[0] = 0x040400; // goto 0x400: replaced by the controller's own jump
    program[2] = 0x000000;
    for (std::uint32_t row = 0; row < 1536; row += row == 1520 ? 15 : 40) {
        for (std::uint32_t slot : {2u, 255u, 511u}) {
            const std::uint32_t word = row * 1024 + 2 * slot;
            program[word] = (word * 7 + 0x123) & 0xFFFFFF;
        }
    }
    return program;
}

std::set<std::uint32_t> rowStarts(const std::map<std::uint32_t, std::uint32_t> &program)
{
    std::set<std::uint32_t> starts;
    for (const auto &entry : program)
        starts.insert(entry.first / 1024 * 1024);
    return starts;
}

// A HEX data record outside program memory that the reader accepts but the
// download never sends: one EEPROM word and one configuration word.
std::vector<std::string> eepromAndConfiguration()
{
    return {extendedLinear(0x00FF), data(0xE000, {0x12, 0x34}), extendedLinear(0x01F0), data(0x0000, {0xC3, 0x00})};
}

class UpgraderWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "upgrader-window-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        makeSysfs();
    }
    void TearDown() override
    {
        window.reset(); // joins its workers and closes the port first
        if (drive)
            drive->stop();
        fs::remove_all(dir);
    }

    // The drive cable's adapter as the kernel lists it: ttyUSB0, served by
    // pl2303, on a USB device of vendor 067b; beside it an on-board port and
    // another maker's adapter that sorts after it.
    void makeSysfs()
    {
        const fs::path sys = dir / "sys";
        fs::create_directories(sys / "class" / "tty" / "ttyS0");
        tarvex::test::plugUsbTty(sys, "ttyUSB0", "pl2303", "067b", "pci0000:00/1-1");
        tarvex::test::plugUsbTty(sys, "ttyUSB1", "ftdi_sio", "0403", "pci0000:00/1-2");
        fs::create_directories(dir / "dev");
    }

    // The virtual drive, its pseudo-terminal reachable as dev/ttyUSB0.
    void startDrive(std::uint8_t node = 0)
    {
        vq::sim::DriveOptions options;
        options.node = node;
        options.lineSpeed = 19200;
        options.linkPath = (dir / "dev" / "ttyUSB0").string();
        options.verbose = true; // every received byte is logged: the tests read what arrived
        options.log = [this](const std::string &line) {
            std::lock_guard lock(logMutex);
            driveLog.push_back(line);
        };
        drive = std::make_unique<vq::sim::VirtualDrive>(options);
        std::string error;
        ASSERT_TRUE(drive->start(error)) << error;
        ASSERT_TRUE(drive->linked());
    }

    void makeWindow()
    {
        window = std::make_unique<CM9UpgraderDlg>([this](QWidget *, const QString &text) { messages << text; });
        window->setSysfsRoot(QString::fromStdString((dir / "sys").string()));
        window->setDeviceDirectory(QString::fromStdString((dir / "dev").string()));
        window->show();
    }

    std::string writeFile(const std::string &name, const std::string &text)
    {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    void choose(const std::string &path) { window->setHexPath(QString::fromStdString(path)); }

    void pressComSet() { window->comSetButton()->click(); }
    void pressReady()
    {
        ASSERT_TRUE(window->readyButton()->isEnabled());
        window->readyButton()->click();
        EXPECT_FALSE(window->readyButton()->isEnabled());
        EXPECT_FALSE(window->downloadButton()->isEnabled());
        EXPECT_FALSE(window->comSetButton()->isEnabled()) << "the port settings are held while Ready runs";
        ASSERT_TRUE(waitUntil([this] { return window->readyButton()->isEnabled() && !window->isBusy(); }));
        EXPECT_TRUE(window->comSetButton()->isEnabled());
    }
    // Ready, ending with the boot loader waiting for an image.
    void getReady()
    {
        pressComSet();
        pressReady();
        ASSERT_TRUE(window->downloadButton()->isEnabled());
        ASSERT_TRUE(drive->inBootLoader());
    }
    void pressDownload()
    {
        ASSERT_TRUE(window->downloadButton()->isEnabled());
        window->downloadButton()->click();
        EXPECT_FALSE(window->readyButton()->isEnabled());
        EXPECT_FALSE(window->downloadButton()->isEnabled());
        EXPECT_FALSE(window->closeButton()->isEnabled());
        EXPECT_FALSE(window->comSetButton()->isEnabled());
        ASSERT_TRUE(waitUntil([this] { return window->closeButton()->isEnabled(); }));
        EXPECT_FALSE(window->isBusy());
    }

    // The drive's log position once the handshake of the last Ready has
    // reached it in full (its last byte is the acknowledge 0x01 or the query
    // 0x0B): whatever the drive logs after it came later.
    std::size_t markAfterHandshake()
    {
        std::size_t mark = 0;
        EXPECT_TRUE(waitUntil([&] {
            std::lock_guard lock(logMutex);
            for (std::size_t i = driveLog.size(); i-- > 0;) {
                const std::string &line = driveLog[i];
                if (line.rfind("boot rx: ", 0) != 0)
                    continue;
                const std::string last = line.substr(line.size() - 2);
                mark = driveLog.size();
                return last == "01" || last == "0B";
            }
            return false;
        }));
        return mark;
    }
    // Called after a Ready that followed a refused download (log line
    // `mark` taken before it): the line carries the bytes in order, so the
    // first the boot loader received since the mark must be this Ready's
    // handshake (0x00); a read-back request (0x02) would come first had the
    // refused download sent anything.
    void expectNothingSentBetween(std::size_t mark, const char *what)
    {
        std::lock_guard lock(logMutex);
        for (std::size_t i = mark; i < driveLog.size(); ++i) {
            if (driveLog[i].rfind("boot rx: ", 0) == 0) {
                EXPECT_EQ(driveLog[i].substr(9, 2), "00") << what << " sent " << driveLog[i];
                return;
            }
        }
        ADD_FAILURE() << "the handshake after " << what << " never reached the drive";
    }

    // The drive's program memory after a download of `program`: every
    // instruction of every row the file touches as the file sets it (erased
    // where it does not), except the reset jump, which stays the
    // controller's own.
    void expectProgramMemory(const std::map<std::uint32_t, std::uint32_t> &program, std::uint32_t jump0,
                             std::uint32_t jump1)
    {
        const auto rows = drive->programRowsWritten();
        std::set<std::uint32_t> written;
        for (const auto &entry : rows)
            written.insert(entry.first);
        EXPECT_EQ(written, rowStarts(program)) << "exactly the program rows the file sets, nothing else";
        int wrong = 0;
        for (std::uint32_t start : rowStarts(program)) {
            for (std::uint32_t word = start; word < start + 1024; word += 2) {
                std::uint32_t expected = kErased;
                if (word == 0)
                    expected = jump0;
                else if (word == 2)
                    expected = jump1;
                else if (auto it = program.find(word); it != program.end())
                    expected = it->second;
                if (drive->programInstruction(word) != expected && ++wrong <= 5)
                    ADD_FAILURE() << "word 0x" << std::hex << word << ": 0x" << drive->programInstruction(word)
                                  << ", expected 0x" << expected;
            }
        }
        EXPECT_EQ(wrong, 0);
    }

    fs::path dir;
    std::unique_ptr<vq::sim::VirtualDrive> drive;
    std::unique_ptr<CM9UpgraderDlg> window;
    QStringList messages;
    std::mutex logMutex;
    std::vector<std::string> driveLog;
};

} // namespace

TEST_F(UpgraderWindow, OpensWithItsTemplateAndOnlyComSetToPress)
{
    makeWindow();
    EXPECT_EQ(window->windowTitle(), "M9 Upgrader v1.5");
    QStringList labels;
    for (const QLabel *label : window->findChildren<QLabel *>())
        labels << label->text();
    for (const char *text : {"File Path", "Progress", "NodeID"})
        EXPECT_TRUE(labels.contains(text)) << text;
    EXPECT_EQ(window->comSetButton()->text(), "ComSet");
    EXPECT_EQ(window->readyButton()->text(), "Ready");
    EXPECT_EQ(window->downloadButton()->text(), "Download");
    EXPECT_EQ(window->closeButton()->text(), "Close");
    EXPECT_TRUE(window->comSetButton()->isEnabled());
    EXPECT_FALSE(window->readyButton()->isEnabled());
    EXPECT_FALSE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(window->closeButton()->isEnabled());
    EXPECT_FALSE(window->pathBox()->isReadOnly()) << "a path may be typed as well as chosen";
    EXPECT_TRUE(window->pathBox()->text().isEmpty());
    EXPECT_EQ(window->nodeIdBox()->value(), 0);
    EXPECT_EQ(window->progressBar()->minimum(), 0);
    EXPECT_EQ(window->progressBar()->maximum(), 100);
    EXPECT_EQ(window->progressBar()->value(), 0);
    bool about = false;
    for (const QAction *action : window->findChildren<QAction *>())
        about = about || action->text() == "&About M9 Upgrader...";
    EXPECT_TRUE(about);

    // The buttons say what they need: a greyed one tells what to do first.
    EXPECT_EQ(window->readyButton()->toolTip(), "Bring the drive into its boot loader (after ComSet)");
    EXPECT_TRUE(window->downloadButton()->toolTip().contains("once Ready has found the boot loader"));
    for (const QPushButton *button : window->findChildren<QPushButton *>())
        EXPECT_FALSE(button->toolTip().isEmpty()) << button->text().toStdString();

    // The chosen file shows in the path box.
    choose("/data/firmware/m9a.hex");
    EXPECT_EQ(window->pathBox()->text(), "/data/firmware/m9a.hex");

    // Close ends the window when nothing runs.
    window->closeButton()->click();
    EXPECT_FALSE(window->isVisible());
}

TEST_F(UpgraderWindow, TheCautionWindowWarnsAndClosesWithOk)
{
    CCautionDlg caution;
    caution.show();
    EXPECT_EQ(caution.windowTitle(), "Caution");
    bool picture = false;
    for (const QLabel *label : caution.findChildren<QLabel *>())
        picture = picture || !label->pixmap().isNull();
    EXPECT_TRUE(picture);
    const auto buttons = caution.findChildren<QPushButton *>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->text(), "OK");
    buttons[0]->click();
    EXPECT_EQ(caution.result(), QDialog::Accepted);
    EXPECT_FALSE(caution.isVisible());
}

TEST_F(UpgraderWindow, FlashesAHexFileIntoTheDriveFoundByComSet)
{
    startDrive(3);
    makeWindow();
    const std::uint32_t jump0 = drive->programInstruction(0);
    const std::uint32_t jump1 = drive->programInstruction(2);
    ASSERT_EQ(jump0 >> 16, 0x04u) << "the factory program starts with a goto";
    const auto program = spreadProgram();
    const std::string path = writeFile("m9a.hex", hexFile(program, eepromAndConfiguration()));

    // The station number comes from the NodeID box; the port from the adapter.
    window->nodeIdBox()->setValue(3);
    window->portBox()->setEditText("/dev/ttyS0");
    pressComSet();
    EXPECT_EQ(window->portBox()->currentText().toStdString(), (dir / "dev" / "ttyUSB0").string());
    EXPECT_TRUE(window->readyButton()->isEnabled());
    EXPECT_FALSE(window->downloadButton()->isEnabled());

    pressReady();
    EXPECT_TRUE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(drive->inBootLoader());

    // Choosing the file afterwards leaves the waiting boot loader offered,
    // as the status line says; Ready again finds it still waiting.
    choose(path);
    EXPECT_EQ(window->pathBox()->text().toStdString(), path);
    EXPECT_TRUE(window->downloadButton()->isEnabled());
    EXPECT_EQ(window->statusLine()->text(), "HEX file m9a.hex chosen: click Download.");
    pressReady();
    ASSERT_TRUE(window->downloadButton()->isEnabled());

    struct Seen {
        int value;
        bool ready, download, comSet, close;
    };
    std::vector<Seen> seen;
    QObject::connect(window->progressBar(), &QProgressBar::valueChanged, window.get(), [&](int value) {
        seen.push_back({value, window->readyButton()->isEnabled(), window->downloadButton()->isEnabled(),
                        window->comSetButton()->isEnabled(), window->closeButton()->isEnabled()});
    });
    pressDownload();

    EXPECT_EQ(messages, QStringList{"Firmware Download Completion!!"});
    EXPECT_EQ(window->downloadResult(), upgrader::kCompleted);
    EXPECT_EQ(window->progressBar()->value(), 100);
    EXPECT_TRUE(window->readyButton()->isEnabled());
    EXPECT_FALSE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(window->comSetButton()->isEnabled());
    EXPECT_TRUE(window->closeButton()->isEnabled());

    // The bar climbs to its end; until then nothing else can be pressed.
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().value, 100);
    bool between = false;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (i > 0)
            EXPECT_GE(seen[i].value, seen[i - 1].value);
        if (seen[i].value < 100) {
            between = between || seen[i].value > 0;
            EXPECT_FALSE(seen[i].ready || seen[i].download || seen[i].comSet || seen[i].close)
                << "at " << seen[i].value << " %";
        }
    }
    EXPECT_TRUE(between) << "the bar showed the rows going out, not only the end";

    expectProgramMemory(program, jump0, jump1);
    EXPECT_FALSE(drive->inBootLoader()) << "the reset leaves the boot loader";
    EXPECT_EQ(drive->bootResets(), 1);
}

TEST_F(UpgraderWindow, AnEmptyPathOrABadChecksumSendsNothingToTheDrive)
{
    startDrive();
    makeWindow();
    const std::uint32_t jump0 = drive->programInstruction(0);
    const std::uint32_t jump1 = drive->programInstruction(2);
    getReady();
    const std::size_t mark = markAfterHandshake();

    // No file chosen: said by the download and again by the monitor.
    pressDownload();
    EXPECT_EQ(messages, (QStringList{"File Full Path is not command!!", "File Full Path is not command!!"}));
    EXPECT_FALSE(window->readyButton()->isEnabled()) << "until ComSet is pressed again";
    EXPECT_FALSE(window->downloadButton()->isEnabled());
    messages.clear();

    // One wrong checksum in the middle of an otherwise good file.
    const std::map<std::uint32_t, std::uint32_t> program = {{4, 0x112233}, {3072 + 8, 0x445566}, {9 * 1024, 0x778899}};
    std::string bad = hexFile(program);
    const std::size_t secondRecordEnd = bad.find("\r\n", bad.find("\r\n") + 2);
    bad[secondRecordEnd - 1] = bad[secondRecordEnd - 1] == '0' ? '1' : '0';
    pressComSet();
    pressReady();
    expectNothingSentBetween(mark, "the empty path");
    choose(writeFile("bad.hex", bad));
    pressReady();
    const std::size_t badMark = markAfterHandshake();
    pressDownload();
    EXPECT_EQ(messages, QStringList{"Bad Hex file"});
    EXPECT_FALSE(window->readyButton()->isEnabled());
    EXPECT_FALSE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(drive->programRowsWritten().empty());
    messages.clear();

    // The mended file goes in after ComSet and Ready.
    choose(writeFile("good.hex", hexFile(program)));
    pressComSet();
    pressReady();
    expectNothingSentBetween(badMark, "the bad file");
    pressDownload();
    EXPECT_EQ(messages, QStringList{"Firmware Download Completion!!"});
    expectProgramMemory(program, jump0, jump1);
}

TEST_F(UpgraderWindow, ABootLoaderFallingSilentEndsInACommunicationError)
{
    startDrive();
    makeWindow();
    const std::map<std::uint32_t, std::uint32_t> program = {{6, 0x0A0B0C}, {5 * 1024, 0x0D0E0F}};
    choose(writeFile("m9a.hex", hexFile(program)));
    getReady();
    drive->setBootSilent(true);
    pressDownload();
    EXPECT_EQ(messages, QStringList{"USB Commucation Error!!"});
    EXPECT_EQ(window->downloadResult(), upgrader::kCommunicationError);
    EXPECT_TRUE(window->readyButton()->isEnabled()) << "Ready may be tried again";
    EXPECT_FALSE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(drive->programRowsWritten().empty());
    EXPECT_TRUE(drive->inBootLoader());

    // With the line back, Ready and Download finish the job.
    drive->setBootSilent(false);
    messages.clear();
    pressReady();
    pressDownload();
    EXPECT_EQ(messages, QStringList{"Firmware Download Completion!!"});
    EXPECT_EQ(drive->programInstruction(6), 0x0A0B0Cu);
    EXPECT_EQ(drive->programInstruction(5 * 1024), 0x0D0E0Fu);
}

TEST_F(UpgraderWindow, ADriveThatDoesNotAnswerLeavesDownloadDisabled)
{
    startDrive();
    drive->setSilent(true);
    makeWindow();
    pressComSet();
    pressReady();
    EXPECT_FALSE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(window->readyButton()->isEnabled());
    const QString device = QString::fromStdString((dir / "dev" / "ttyUSB0").string());
    EXPECT_EQ(messages, QStringList{"The boot loader did not answer on " + device +
                                    ". Check the cable, the drive's control power and the port, then click "
                                    "Ready again."});
    EXPECT_FALSE(drive->inBootLoader());
}

TEST_F(UpgraderWindow, StartedWithThePortOfTheMainProgramItOpensItAndSaysTheBootLoaderIsFound)
{
    startDrive(3);
    makeWindow();
    const QString device = QString::fromStdString((dir / "dev" / "ttyUSB0").string());
    window->nodeIdBox()->setValue(3);
    window->takeOverPort(device);
    EXPECT_EQ(window->portBox()->currentText(), device);
    EXPECT_EQ(window->statusLine()->text(),
              "Port " + device + " is open: click Ready to bring the drive into its boot loader.");
    EXPECT_FALSE(drive->inBootLoader()) << "opening the port asks nothing of the drive";

    // Ready without ComSet: the port taken over is the one asked, with the
    // node shown.
    pressReady();
    EXPECT_TRUE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(drive->inBootLoader());
    EXPECT_EQ(window->statusLine()->text(), "Boot loader found on " + device + ": click Download.");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(UpgraderWindow, APortThatCannotBeOpenedAtStartIsSaidAndComSetStillChooses)
{
    makeWindow();
    const QString device = QString::fromStdString((dir / "dev" / "ttyUSB7").string());
    window->takeOverPort(device);
    EXPECT_TRUE(window->statusLine()->text().startsWith("Port " + device + " could not be opened ("))
        << window->statusLine()->text().toStdString();
    EXPECT_TRUE(window->statusLine()->text().contains("No such file or directory"));
    EXPECT_TRUE(window->comSetButton()->isEnabled());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(UpgraderWindow, ABootLoaderThatFallsSilentBeforeReadyIsReported)
{
    startDrive();
    makeWindow();
    getReady();
    drive->setBootSilent(true);
    pressReady();
    const QString device = QString::fromStdString((dir / "dev" / "ttyUSB0").string());
    EXPECT_EQ(messages, QStringList{"The boot loader did not answer on " + device +
                                    ". Check the cable, the drive's control power and the port, then click "
                                    "Ready again."});
    EXPECT_EQ(window->statusLine()->text(), "No answer from the boot loader on " + device + ".");
    EXPECT_FALSE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(window->readyButton()->isEnabled());

    // Once it answers again, Ready finds it.
    drive->setBootSilent(false);
    messages.clear();
    pressReady();
    EXPECT_TRUE(window->downloadButton()->isEnabled());
    EXPECT_TRUE(messages.isEmpty());
}

TEST(UpgraderOptions, PortIsADevicePathAndHelpDocumentsIt)
{
    using upgrader::parseUpgraderOptions;
    const auto taken = parseUpgraderOptions({"M9 Upgrader", "--port", "/dev/ttyUSB0"});
    EXPECT_FALSE(taken.exitCode);
    EXPECT_EQ(taken.port, "/dev/ttyUSB0");
    EXPECT_TRUE(parseUpgraderOptions({"M9 Upgrader"}).port.isEmpty());
    for (const QStringList &wrong : {QStringList{"M9 Upgrader", "--port", "ttyUSB0"},
                                     QStringList{"M9 Upgrader", "--port"}, QStringList{"M9 Upgrader", "--baud"},
                                     QStringList{"M9 Upgrader", "extra"}}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(parseUpgraderOptions(wrong).exitCode, 2) << wrong.join(' ').toStdString();
        testing::internal::GetCapturedStderr();
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(parseUpgraderOptions({"M9 Upgrader", "--help"}).exitCode, 0);
    const std::string help = testing::internal::GetCapturedStdout();
    EXPECT_NE(help.find("--port <device>"), std::string::npos) << help;
}

TEST_F(UpgraderWindow, ComSetWithoutTheAdapterKeepsTheTypedPort)
{
    makeWindow();
    // An unreadable device list is reported; Ready is offered all the same.
    window->setSysfsRoot(QString::fromStdString((dir / "no-sys").string()));
    window->portBox()->setEditText("/dev/ttyS3");
    pressComSet();
    EXPECT_EQ(messages, QStringList{"Fail"});
    EXPECT_EQ(window->portBox()->currentText(), "/dev/ttyS3");
    EXPECT_TRUE(window->readyButton()->isEnabled());

    // A list without the drive cable's adapter leaves the port as typed.
    messages.clear();
    fs::remove_all(dir / "sys" / "class" / "tty" / "ttyUSB0");
    window->setSysfsRoot(QString::fromStdString((dir / "sys").string()));
    pressComSet();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(window->portBox()->currentText(), "/dev/ttyS3");

    // ComSet offers the adapters it found, each described; a picked one is
    // the port the download opens.
    const QString devDir = QString::fromStdString((dir / "dev").string());
    const int ftdi = window->portBox()->findText(devDir + "/ttyUSB1: FTDI [0403], driver ftdi_sio");
    ASSERT_GE(ftdi, 0);
    window->portBox()->setCurrentIndex(ftdi);
    pressComSet();
    EXPECT_EQ(window->portBox()->currentText(), devDir + "/ttyUSB1: FTDI [0403], driver ftdi_sio");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(UpgraderWindow, ATypedPathIsCheckedAndTheButtonsDoWhatTheStatusLineSays)
{
    startDrive();
    makeWindow();
    getReady();
    QLineEdit &box = *window->pathBox();
    const auto type = [&](const std::string &path) {
        QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&box, QString::fromStdString(path));
    };

    struct Refused {
        std::string path;
        std::string says;
    };
    const std::vector<Refused> refused = {
        {(dir / "nothing.hex").string(), "The HEX file \"" + (dir / "nothing.hex").string() + "\" does not exist."},
        {writeFile("notes.hex", "firmware notes\r\n"), "is not a HEX file: its first line is no Intel HEX record."},
        {writeFile("empty.hex", ""), "is not a HEX file"},
        {(dir / "dev").string(), "is not a file: choose a HEX file."},
    };
    for (const Refused &r : refused) {
        SCOPED_TRACE(r.path);
        messages.clear();
        type(r.path);
        QTest::keyClick(&box, Qt::Key_Return);
        ASSERT_EQ(messages.size(), 1) << "Return takes the typed path and says at once what is wrong";
        EXPECT_TRUE(messages[0].contains(QString::fromStdString(r.says))) << messages[0].toStdString();
        EXPECT_EQ(window->statusLine()->text(), messages[0]);
        EXPECT_FALSE(window->isBusy()) << "Return pressed no button";
        // Download with the same text refuses it the same way and sends nothing.
        QTest::mouseClick(window->downloadButton(), Qt::LeftButton);
        EXPECT_EQ(messages.size(), 2);
        EXPECT_EQ(messages.back(), messages[0]);
        EXPECT_FALSE(window->isBusy());
        EXPECT_TRUE(window->downloadButton()->isEnabled()) << "the boot loader still waits";
        EXPECT_TRUE(drive->programRowsWritten().empty());
    }
    messages.clear();

    // Browse with a good file: the status line asks for Download, and Download is there.
    const std::map<std::uint32_t, std::uint32_t> browsed = {{4, 0x010203}};
    const std::string browsedPath = writeFile("browsed.hex", hexFile(browsed));
    QPushButton *browse = nullptr;
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (b->text() == "...")
            browse = b;
    ASSERT_NE(browse, nullptr);
    tarvex::test::answerNextFileDialog(QString::fromStdString(browsedPath));
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(box.text().toStdString(), browsedPath);
    EXPECT_EQ(window->statusLine()->text(), "HEX file browsed.hex chosen: click Download.");
    EXPECT_TRUE(window->downloadButton()->isEnabled());

    // A path typed over it is the one Download sends.
    const std::map<std::uint32_t, std::uint32_t> typed = {{6, 0x0A0B0C}, {5 * 1024, 0x0D0E0F}};
    const std::uint32_t jump0 = drive->programInstruction(0);
    const std::uint32_t jump1 = drive->programInstruction(2);
    type(writeFile("typed.hex", hexFile(typed)));
    QTest::mouseClick(window->downloadButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([this] { return window->closeButton()->isEnabled() && !window->isBusy(); }));
    EXPECT_EQ(messages, QStringList{"Firmware Download Completion!!"});
    expectProgramMemory(typed, jump0, jump1);
    EXPECT_FALSE(window->downloadButton()->isEnabled());
    EXPECT_FALSE(window->statusLine()->text().contains("Download")) << window->statusLine()->text().toStdString();
}
