#include "commands.h"

#include "boot_session.h"
#include "exit_codes.h"
#include "firmware_image.h"
#include "file_access.h"

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
    case upgrader::HexResult::Ok: return true;
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
    if (!session.connect())
        return worse(kLinkFailure, session.messages().worstCode());
    const std::optional<bool> servoOn = session.servoOn();
    if (!servoOn) {
        session.messages().fail(kLinkFailure, session.port() + ": the servo state (register 0) could not be read; "
                                              "nothing was downloaded");
        return kLinkFailure;
    }
    if (*servoOn) {
        session.messages().fail(kRefused, session.port() + ": the servo is on; turn it off before a firmware "
                                              "download (nothing was downloaded)");
        return kRefused;
    }
    if (!yes && !confirmFlash(1)) {
        session.messages().fail(kRefused, session.port() + ": not downloaded");
        return kRefused;
    }
    // The boot loader needs the port to itself.
    session.disconnect();

    upgrader::BootPort port;
    port.setPortName(session.port());
    port.setStation(session.options().node);
    ConsoleMessages &messages = session.messages();
    upgrader::BootSession boot(port, [&messages](const std::string &text) {
        messages.fail(kLinkFailure, text);
    });
    const bool answered = boot.probeApplication();
    if (!boot.enterBootLoader(answered)) {
        port.close();
        session.messages().fail(kLinkFailure, session.port() + ": the boot loader did not answer; "
                                              "nothing was downloaded");
        return kLinkFailure;
    }
    std::atomic<int> result{upgrader::kRunning};
    std::thread download([&] { result = boot.download(path); });
    const bool progress = progressShown();
    while (result.load() == upgrader::kRunning) {
        if (progress)
            std::fprintf(stderr, "\rdownloading %3.0f %%", boot.progress());
        std::this_thread::sleep_for(kProgressPause);
    }
    download.join();
    port.close();
    if (progress)
        std::fprintf(stderr, "\rdownloading %3.0f %%\n", boot.progress());
    if (result.load() != upgrader::kCompleted) {
        const int code = resultCode(result.load());
        if (code == kLinkFailure)
            session.messages().fail(kLinkFailure, "USB Commucation Error!!");
        return worse(code, session.messages().worstCode());
    }
    std::printf("Firmware Download Completion!! %d rows from %s\n", boot.rowsWritten(), path.c_str());
    return kDone;
}

} // namespace m9ctl
