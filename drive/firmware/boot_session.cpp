#include "drive/firmware/boot_session.h"

#include "drive/files/file_access.h"
#include "link/modbus_frame.h"
#include "link/port_open_failure.h"

#include <chrono>
#include <sstream>
#include <thread>
#include <vector>

#include "drive/firmware/download_progress.h"

namespace upgrader {

using tarvex::FileReading;
using tarvex::kHexFileLimit;
using tarvex::readBoundedFile;

BootSession::BootSession(BootPort &port, MessageFn message, BootTiming timing)
    : port_(port), message_(std::move(message)), timing_(timing)
{
}

void BootSession::sleepMs(unsigned ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool BootSession::probeApplication()
{
    port_.close();
    std::uint8_t request[vq::modbus::kFrameBufferSize];
    const std::size_t length = vq::modbus::buildBootRequest(request, port_.station());
    bool answered = false;
    for (unsigned rate : kProbeRates) {
        // A request that cannot even be written (the port did not open) ends
        // the probe as not answered.
        if (!port_.open(rate) || !port_.send(request, length))
            break;
        sleepMs(timing_.probeWaitMs);
        std::uint8_t reply[255];
        const int n = port_.readQueued(reply, sizeof reply);
        port_.close();
        if (n >= 2 && reply[1] == vq::modbus::kBootRequest) {
            answered = true;
            break;
        }
    }
    port_.close();
    return answered;
}

bool BootSession::enterBootLoader(bool applicationAnswered)
{
    bootLoaderSilent_ = false;
    if (!port_.isOpen() && !port_.open(kBootRate)) {
        // A device the user may not open says so, and what to do.
        const int error = port_.lastError();
        const std::string why = tarvex::isRefusedDevice(error)
                                    ? "\n" + tarvex::portOpenFailureText(port_.portName(), error) + "\n"
                                    : std::string();
        message_("Communication Error\n" + why);
        return false;
    }
    if (status_)
        status_("Port " + port_.portName() + " is open at 115200 baud; waiting for the boot loader...");
    for (int i = 0; i < 3; ++i)
        port_.send({0x00});
    std::uint8_t reply[255];
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (!applicationAnswered)
            port_.send({0x0B});
        sleepMs(timing_.probeWaitMs);
        const int n = port_.readQueued(reply, sizeof reply);
        if (n <= 0)
            continue;
        if (applicationAnswered && reply[0] == 0x0A) {
            const bool acknowledged = port_.send({0x01});
            bootLoaderSilent_ = !acknowledged;
            return acknowledged;
        }
        if (!applicationAnswered && reply[0] == 0x01)
            return true;
    }
    bootLoaderSilent_ = true;
    return false;
}

BootSession::ReadBack BootSession::readProgramStart(std::uint8_t *into)
{
    port_.send({0x02, 0x00, 0x00, 0x00});
    sleepMs(timing_.readBackWaitMs);
    int received = 0;
    int lastCount = 0;
    int emptyPolls = 0;
    while (received < static_cast<int>(FirmwareImage::kProgramRowBytes)) {
        const int n = port_.readQueued(into + received,
                                       static_cast<int>(FirmwareImage::kProgramRowBytes) - received);
        if (n < 0)
            return ReadBack::TimedOut;
        lastCount = n;
        if (n == 0) {
            if (++emptyPolls >= timing_.emptyPollLimit)
                return ReadBack::TimedOut;
            sleepMs(timing_.emptyPollMs);
            continue;
        }
        received += n;
    }
    // The boot loader sends the whole row at once; a read-back that came in
    // pieces is not trusted.
    if (lastCount != 0 && lastCount != static_cast<int>(FirmwareImage::kProgramRowBytes))
        return ReadBack::Pieces;
    return ReadBack::Ok;
}

int BootSession::awaitRowAnswer()
{
    for (int emptyPolls = 0; emptyPolls < timing_.emptyPollLimit;) {
        std::uint8_t answer = 0;
        const int n = port_.readQueued(&answer, 1);
        if (n < 0)
            return -1;
        if (n == 1)
            return answer;
        ++emptyPolls;
        sleepMs(timing_.emptyPollMs);
    }
    return -1;
}

int BootSession::download(const std::string &hexPath)
{
    rowsWritten_ = 0;
    if (hexPath.empty()) {
        message_("File Full Path is not command!!");
        return kNoPath;
    }
    // Bounded and regular files only: a FIFO or a device given as the file
    // would otherwise block the download before it starts.
    const FileReading hex = readBoundedFile(hexPath, kHexFileLimit);
    if (!hex.text) {
        message_("\nCan't open HEX File\n");
        return kCannotOpenFile;
    }
    std::istringstream file(*hex.text);

    // The whole file is read and checked before the first byte goes to the
    // boot loader.
    auto image = std::make_unique<FirmwareImage>();
    const HexResult read = image->read(file);
    if (read == HexResult::UnknownRecordType) {
        port_.close();
        return kUnknownRecord;
    }
    if (read == HexResult::BadHexFile) {
        port_.close();
        message_("Bad Hex file");
        return kBadHexFile;
    }
    if (const std::string incomplete = image->incompleteFileText(); !incomplete.empty()) {
        port_.close();
        message_(incomplete);
        return kBadHexFile;
    }

    std::vector<std::uint8_t> start(FirmwareImage::kProgramRowBytes);
    for (int request = 0;; ++request) {
        const ReadBack got = readProgramStart(start.data());
        if (got == ReadBack::Pieces) {
            message_("PM Read Data Lengh Errror!");
            port_.close();
            return kCommunicationError;
        }
        if (got == ReadBack::TimedOut) {
            port_.close();
            return kCommunicationError;
        }
        if (start[0] == 0x04)
            break;
        if (request >= timing_.retryLimit) {
            port_.close();
            return kCommunicationError;
        }
        port_.send({0x00}); // not the reset jump: reject and ask again
    }

    image->overlayResetJump(start.data());
    image->formatRows();

    std::vector<std::uint8_t> frame(4 + FirmwareImage::kProgramRowBytes);
    for (int index = 0; index < FirmwareImage::kProgramRows; ++index) {
        const ImageRow &row = image->row(index);
        if (!row.empty) {
            const auto header = FirmwareImage::rowHeader(row);
            std::copy(header.begin(), header.end(), frame.begin());
            std::copy(row.transmit.begin(), row.transmit.end(), frame.begin() + 4);
            bool accepted = false;
            for (int attempt = 0; attempt <= timing_.retryLimit && !accepted; ++attempt) {
                // Header and data go in one write, so the purge before it can
                // never drop half a row.
                port_.send(frame.data(), frame.size());
                const int answer = awaitRowAnswer();
                if (answer < 0)
                    break;
                accepted = answer == 0x01;
            }
            if (!accepted) {
                port_.close();
                return kCommunicationError;
            }
            ++rowsWritten_;
        }
        progress_ = progressAfterRow(index, progress_.load());
    }

    port_.send({0x08});
    sleepMs(timing_.resetWaitMs);
    progress_ = 100.0;
    port_.close();
    return kCompleted;
}

} // namespace upgrader
