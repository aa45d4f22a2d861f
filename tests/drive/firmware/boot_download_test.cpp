// A whole firmware download into the virtual drive's boot loader over a
// pseudo-terminal: the probe at the drive's line speed, the handshake at
// 115200 baud, the read-back, the row writes stored byte for byte, the reset;
// the ways a download refuses or gives up, and a download cut short and made
// again into the boot loader that waited.
#include "drive/firmware/boot_session.h"
#include "drive/firmware/firmware_image.h"
#include "tests/drive/firmware/hex_writer.h"
#include "simulator/src/virtual_drive.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <sstream>
#include <thread>

using namespace hextest;
using upgrader::BootPort;
using upgrader::BootSession;
using upgrader::FirmwareImage;
namespace fs = std::filesystem;

namespace {

class BootDownload : public ::testing::Test {
protected:
    void startDrive(unsigned lineSpeed = 19200)
    {
        vq::sim::DriveOptions options;
        options.lineSpeed = lineSpeed;
        options.verbose = std::getenv("SIM_VERBOSE") != nullptr;
        drive = std::make_unique<vq::sim::VirtualDrive>(options);
        std::string error;
        ASSERT_TRUE(drive->start(error)) << error;
        port.setPortName(drive->devicePath());
        port.setStation(0);
    }
    void TearDown() override
    {
        port.close();
        if (drive)
            drive->stop();
        fs::remove_all(dir);
    }
    std::string hexFile(const std::string &text)
    {
        fs::create_directories(dir);
        const std::string path = (dir / "image.hex").string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::vector<std::string> said() const
    {
        std::lock_guard lock(mutex);
        return messages;
    }

    fs::path dir = fs::temp_directory_path() / ("boot-" + std::to_string(::getpid()));
    std::unique_ptr<vq::sim::VirtualDrive> drive;
    BootPort port;
    mutable std::mutex mutex;
    std::vector<std::string> messages;
    BootSession session{port, [this](const std::string &text) {
                            std::lock_guard lock(mutex);
                            messages.push_back(text);
                        }};
};

// Program rows 0 and 3 only: instructions at word addresses 0.. and 3072..
std::string twoRowImage()
{
    return file({data(0x0000, instruction(0x040200)), data(0x0004, instruction(0x000000)),
                 data(0x0008, instruction(0xA1B2C3)), data(0x1800, instruction(0x123456)),
                 data(0x1804, instruction(0x654321)), endOfFile()});
}

// The factory reset jump in row 0 and one instruction in each of 48 rows
// after it: long enough to be cut in the middle.
std::string manyRowImage()
{
    std::string text = data(0x0000, instruction(0x040200)) + "\r\n" + data(0x0004, instruction(0x000000)) + "\r\n";
    int upper = 0;
    for (int row = 1; row <= 48; ++row) {
        const int address = row * 0x800; // 1,024 words of two bytes a row
        if (address >> 16 != upper) {
            upper = address >> 16;
            text += extendedLinear(upper) + "\r\n";
        }
        text += data(address & 0xFFFF, instruction(0x010000u | static_cast<std::uint32_t>(row) << 8 | 0xA5u)) + "\r\n";
    }
    return text + endOfFile() + "\r\n";
}

// The program words a HEX text sets, row by row, read with the reader under
// test: a drive's dump and the file it was given compare equal word for word.
std::vector<std::array<std::uint16_t, 1024>> programWords(const std::string &hex)
{
    FirmwareImage image;
    std::istringstream in(hex);
    EXPECT_EQ(image.read(in), upgrader::HexResult::Ok);
    std::vector<std::array<std::uint16_t, 1024>> rows;
    for (int i = 0; i < FirmwareImage::kProgramRows; ++i)
        rows.push_back(image.row(i).data);
    return rows;
}

bool eventually(const std::function<bool()> &condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace

TEST_F(BootDownload, ADownloadCutShortIsMadeAgainIntoTheWaitingBootLoader)
{
    struct Cut {
        const char *name;
        void (vq::sim::VirtualDrive::*fault)(bool);
    };
    for (const Cut &cut : {Cut{"the boot loader falls silent", &vq::sim::VirtualDrive::setBootSilent},
                           Cut{"the line is lost", &vq::sim::VirtualDrive::setSilent}}) {
        SCOPED_TRACE(cut.name);
        startDrive();
        const std::string image = manyRowImage();
        const std::string path = hexFile(image);
        ASSERT_TRUE(session.probeApplication());
        ASSERT_TRUE(session.enterBootLoader(true));
        // At the line's own pace the rows take long enough to be cut
        // between, however busy the machine.
        drive->setPaced(true);
        auto first = std::async(std::launch::async, [&] { return session.download(path); });
        const bool rowsWent = eventually([&] { return drive->programRowsWritten().size() >= 2; });
        ((*drive).*cut.fault)(true);
        drive->setPaced(false);
        ASSERT_TRUE(rowsWent);
        EXPECT_EQ(first.get(), upgrader::kCommunicationError);
        ((*drive).*cut.fault)(false);
        ASSERT_LT(drive->programRowsWritten().size(), 49u) << "the download was not cut short";
        EXPECT_TRUE(drive->inBootLoader()) << "no power cycle is needed";

        // Ready again: the firmware does not answer (the boot loader runs),
        // the boot loader answers its query, and the download is made again.
        EXPECT_FALSE(session.probeApplication());
        ASSERT_TRUE(session.enterBootLoader(false));
        ASSERT_EQ(session.download(path), upgrader::kCompleted);
        EXPECT_TRUE(programWords(drive->programMemoryHex()) == programWords(image)) << "the dump differs from the file";
        EXPECT_FALSE(drive->inBootLoader());
        port.close();
        drive->stop();
        drive.reset();
    }
}

TEST_F(BootDownload, FlashesEveryRowByteExactAndResetsTheDrive)
{
    startDrive();
    // The controller's reset jump as it stands before the download: its
    // first two instructions, each sent most significant byte first.
    const std::uint32_t jump0 = drive->programInstruction(0);
    const std::uint32_t jump1 = drive->programInstruction(2);
    const std::uint8_t readBack[6] = {static_cast<std::uint8_t>(jump0 >> 16), static_cast<std::uint8_t>(jump0 >> 8),
                                      static_cast<std::uint8_t>(jump0), static_cast<std::uint8_t>(jump1 >> 16),
                                      static_cast<std::uint8_t>(jump1 >> 8), static_cast<std::uint8_t>(jump1)};
    ASSERT_EQ(readBack[0], 0x04);
    ASSERT_TRUE(session.probeApplication());
    ASSERT_TRUE(session.enterBootLoader(true));
    EXPECT_TRUE(drive->inBootLoader());
    const std::string path = hexFile(twoRowImage());
    ASSERT_EQ(session.download(path), upgrader::kCompleted);
    EXPECT_DOUBLE_EQ(session.progress(), 100.0);
    EXPECT_EQ(session.rowsWritten(), 2);
    EXPECT_TRUE(said().empty());

    // What the drive stored equals the image as the upgrader formats it,
    // computed here from the file and the jump read above.
    FirmwareImage expected;
    std::ifstream in(path);
    ASSERT_EQ(expected.read(in), upgrader::HexResult::Ok);
    expected.overlayResetJump(readBack);
    expected.formatRows();
    const auto rows = drive->programRowsWritten();
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_TRUE(rows.count(0));
    ASSERT_TRUE(rows.count(3072));
    const std::vector<std::uint8_t> &row0 = rows.at(0);
    EXPECT_EQ(row0, expected.row(0).transmit);
    EXPECT_EQ(rows.at(3072), expected.row(3).transmit);
    EXPECT_EQ(row0[6], 0xC3); // the file's third instruction, low byte first
    EXPECT_FALSE(drive->inBootLoader());
    EXPECT_EQ(drive->bootResets(), 1);
}

TEST_F(BootDownload, ProbeFindsADriveAtAnotherLineSpeed)
{
    startDrive(38400);
    // 9600 and 19200 go unanswered; the drive's own rate enters the boot loader.
    EXPECT_TRUE(session.probeApplication());
    EXPECT_TRUE(drive->inBootLoader());
}

TEST_F(BootDownload, AWrongReadBackIsRejectedAndARefusedRowIsSentAgain)
{
    startDrive();
    ASSERT_TRUE(session.probeApplication());
    ASSERT_TRUE(session.enterBootLoader(true));
    drive->bootCorruptNextReadBack();
    drive->bootRejectNextRow();
    ASSERT_EQ(session.download(hexFile(twoRowImage())), upgrader::kCompleted);
    EXPECT_EQ(drive->programRowsWritten().size(), 2u);
}

TEST_F(BootDownload, ASilentBootLoaderEndsWithACommunicationError)
{
    startDrive();
    ASSERT_TRUE(session.probeApplication());
    ASSERT_TRUE(session.enterBootLoader(true));
    drive->setBootSilent(true);
    EXPECT_EQ(session.download(hexFile(twoRowImage())), upgrader::kCommunicationError);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(BootDownload, NothingIsSentForAnEmptyPathAMissingFileOrABadImage)
{
    startDrive();
    ASSERT_TRUE(session.probeApplication());
    ASSERT_TRUE(session.enterBootLoader(true));
    EXPECT_EQ(session.download(""), upgrader::kNoPath);
    EXPECT_EQ(session.download((dir / "missing.hex").string()), upgrader::kCannotOpenFile);
    std::string bad = twoRowImage();
    bad[bad.size() - 3] = bad[bad.size() - 3] == '0' ? '1' : '0'; // the end record's checksum
    EXPECT_EQ(session.download(hexFile(bad)), upgrader::kBadHexFile);
    EXPECT_EQ(session.download(hexFile(file({record(2, 0, {0, 0})}))), upgrader::kUnknownRecord);
    // Files the reader takes but that are no whole firmware: empty, or cut
    // before their end record.
    EXPECT_EQ(session.download(hexFile("")), upgrader::kBadHexFile);
    const std::string whole = twoRowImage();
    EXPECT_EQ(session.download(hexFile(whole.substr(0, whole.size() - (endOfFile().size() + 2)))),
              upgrader::kBadHexFile);
    EXPECT_EQ(said(), (std::vector<std::string>{
                          "File Full Path is not command!!", "\nCan't open HEX File\n", "Bad Hex file",
                          "Bad Hex file: it holds no program data (an empty file?); nothing was downloaded",
                          "Bad Hex file: it has no end-of-file record, so it may be cut short; nothing was downloaded"}));
    EXPECT_TRUE(drive->programRowsWritten().empty());
    EXPECT_TRUE(drive->inBootLoader()); // still waiting for an image
}

TEST_F(BootDownload, NoDriveOnTheLineLeavesDownloadDisabled)
{
    port.setPortName("/nonexistent/ttyUSB7");
    EXPECT_FALSE(session.probeApplication());
    EXPECT_FALSE(session.enterBootLoader(false));
    EXPECT_EQ(said(), std::vector<std::string>{"Communication Error\n"});
}

TEST_F(BootDownload, ABootLoaderAlreadyRunningAnswersTheQuery)
{
    startDrive();
    ASSERT_TRUE(session.probeApplication());
    ASSERT_TRUE(session.enterBootLoader(true));
    port.close();
    // A second Ready finds no running firmware but a boot loader that
    // answers the 0x0B query.
    EXPECT_FALSE(session.probeApplication());
    EXPECT_TRUE(session.enterBootLoader(false));
}
