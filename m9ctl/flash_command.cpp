#include "m9ctl/commands.h"

#include "drive/firmware/boot_session.h"
#include "m9ctl/exit_codes.h"
#include "drive/firmware/firmware_image.h"
#include "drive/files/file_access.h"
#include "drive/connection/worker_thread.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <thread>

#include <unistd.h>

namespace m9ctl {

namespace {

constexpr std::chrono::milliseconds kProgressPause{200};

// Reads the whole file before the drive is touched, so a damaged file is
// refused while the drive still runs its firmware.
bool checkHexFile(const std::string &path, ConsoleMessages &messages)
{
    const tarvex::FileReading file = tarvex::readBoundedFile(path, tarvex::kHexFileLimit);
    if (!file.text) {
        messages.fail(kFileError, "Can't open HEX File " + path + ": " + file.reason);
        return false;
    }
    std::istringstream in(*file.text);
    upgrader::FirmwareImage image;
    switch (image.read(in)) {
    case upgrader::HexResult::Ok:
        if (const std::string incomplete = image.incompleteFileText(); !incomplete.empty()) {
            messages.fail(kFileError, path + ": " + incomplete);
            return false;
        }
        return true;
    case upgrader::HexResult::UnknownRecordType:
        messages.fail(kFileError, path + ": line " + std::to_string(image.failedLine()) + ": Unknown hex record type");
        return false;
    case upgrader::HexResult::BadHexFile:
        messages.fail(kFileError, path + ": line " + std::to_string(image.failedLine()) +
                                      ": Bad Hex file (not an Intel HEX record, a wrong checksum or an address "
                                      "outside the drive's memory)");
        return false;
    }
    return false;
}

int resultCode(int result)
{
    switch (result) {
    case upgrader::kCompleted: return kDone;
    case upgrader::kNoPath: return kUsage;
    case upgrader::kBadHexFile:
    case upgrader::kUnknownRecord:
    case upgrader::kCannotOpenFile: return kFileError;
    default: return kLinkFailure;
    }
}

} // namespace

bool confirmFlash(std::size_t drives)
{
    if (::isatty(STDIN_FILENO) != 1) {
        warn("flash asks before it downloads; give --yes to download without asking");
        return false;
    }
    std::fprintf(stderr, "Download the firmware into %zu drive%s? The drive%s restart%s afterwards. [y/N] ", drives,
                 drives == 1 ? "" : "s", drives == 1 ? "" : "s", drives == 1 ? "s" : "");
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

int runFlash(DriveSession &session, const std::vector<std::string> &argsIn)
{
    CommandArgs args(argsIn);
    const bool yes = args.flag("--yes");
    if (std::optional<std::string> unknown = args.unknownOption())
        return usageError("flash: unknown option " + *unknown);
    if (args.words().size() != 1)
        return usageError("flash needs exactly one HEX file");
    const std::string path = args.words().front();
    if (!checkHexFile(path, session.messages()))
        return kFileError;
    ConsoleMessages &messages = session.messages();
    upgrader::BootSession &boot = session.boot();
    const DriveSession::Answer answer = session.connectOrFindBootLoader();
    if (answer == DriveSession::Answer::Nothing)
        return worse(kLinkFailure, messages.worstCode());
    if (answer == DriveSession::Answer::BootLoader) {
        // No servo to check: the boot loader runs no motor. The download
        // that was cut short is simply made again, as the upgrader does.
        warn(session.port() + ": the drive answered in its boot loader (an earlier download did not finish); "
                              "the download starts again");
        if (!yes && !confirmFlash(1)) {
            session.bootPort().close();
            messages.fail(kRefused, session.port() + ": not downloaded");
            return kRefused;
        }
    } else {
        const std::optional<bool> servoOn = session.servoOn();
        if (!servoOn) {
            messages.fail(kLinkFailure, session.port() + ": the servo state (register 0) could not be read; "
                                                         "nothing was downloaded");
            return kLinkFailure;
        }
        if (*servoOn) {
            messages.fail(kRefused, session.port() + ": the servo is on; turn it off before a firmware "
                                                     "download (nothing was downloaded)");
            return kRefused;
        }
        if (!yes && !confirmFlash(1)) {
            messages.fail(kRefused, session.port() + ": not downloaded");
            return kRefused;
        }
        // The boot loader needs the port to itself.
        session.disconnect();
        const bool answered = boot.probeApplication();
        if (!boot.enterBootLoader(answered)) {
            session.bootPort().close();
            messages.fail(kLinkFailure, session.port() + ": the boot loader did not answer; "
                                                         "nothing was downloaded");
            return kLinkFailure;
        }
    }
    std::atomic<int> result{upgrader::kRunning};
    tarvex::WorkerHandle download;
    download.startIfIdle([&] { result = boot.download(path); });
    const bool progress = progressShown();
    while (result.load() == upgrader::kRunning) {
        if (progress)
            std::fprintf(stderr, "\rdownloading %3.0f %%", boot.progress());
        std::this_thread::sleep_for(kProgressPause);
    }
    download.waitUntilEnded({});
    session.bootPort().close();
    if (progress)
        std::fprintf(stderr, "\rdownloading %3.0f %%\n", boot.progress());
    if (result.load() != upgrader::kCompleted) {
        const int code = resultCode(result.load());
        if (code == kLinkFailure)
            messages.fail(kLinkFailure, "USB Commucation Error!!");
        return worse(code, messages.worstCode());
    }
    std::printf("Firmware Download Completion!! %d rows from %s\n", boot.rowsWritten(), path.c_str());
    return kDone;
}

} // namespace m9ctl
