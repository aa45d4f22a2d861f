#include "m9ctl/commands.h"

#include "drive/firmware/boot_session.h"
#include "m9ctl/exit_codes.h"
#include "drive/firmware/firmware_image.h"
#include "drive/files/file_access.h"
#include "drive/connection/worker_thread.h"
#include "drive/snapshots/drive_snapshot.h"

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
// How long the new firmware may take to start answering after the download.
constexpr std::chrono::seconds kRestartDeadline{60};
constexpr std::chrono::milliseconds kRestartPause{250};

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

// The newest snapshot of the drive on this port and node: what it held
// before a download that did not finish, when that one was made here.
std::optional<tarvex::snapshots::Snapshot> lastSnapshotOf(DriveSession &session)
{
    const tarvex::snapshots::SnapshotStore store(tarvex::snapshots::defaultSnapshotFolder());
    const std::vector<tarvex::snapshots::Snapshot> all = store.list();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (it->header.port == session.port() && it->header.node == session.options().node)
            return *it;
    return std::nullopt;
}

// Waits for the new firmware to answer on the link; its silence while it
// starts is not a failure.
bool reconnectAfterDownload(DriveSession &session)
{
    ConsoleMessages &messages = session.messages();
    const auto deadline = std::chrono::steady_clock::now() + kRestartDeadline;
    for (;;) {
        messages.hold();
        if (session.connect()) {
            messages.drop();
            return true;
        }
        session.disconnect();
        if (std::chrono::steady_clock::now() > deadline) {
            messages.release();
            return false;
        }
        messages.drop();
        std::this_thread::sleep_for(kRestartPause);
    }
}

bool confirmRestore()
{
    if (::isatty(STDIN_FILENO) != 1)
        return false;
    std::fprintf(stderr, "Write back the parameters the download changed? [y/N] ");
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes";
}

// After the download: the drive's parameters set beside the snapshot taken
// before it, and what changed written back when the user wants it.
int compareAfterDownload(DriveSession &session, const tarvex::snapshots::Snapshot &snapshot, bool restore)
{
    if (!reconnectAfterDownload(session)) {
        session.messages().fail(kLinkFailure, session.port() + ": the drive did not answer after the download; "
                                                               "compare it later with m9ctl snapshots diff " +
                                                               snapshot.name);
        return kLinkFailure;
    }
    std::printf("parameters against snapshot %s:\n", snapshot.name.c_str());
    std::fflush(stdout);
    const int compared = printFileDifferences(session, snapshot.parameterFile);
    if (compared != kDifferent)
        return compared;
    if (!restore && !confirmRestore()) {
        std::printf("m9ctl snapshots restore %s writes them back\n", snapshot.name.c_str());
        return kDifferent;
    }
    return writeFileDifferences(session, snapshot.parameterFile, true, "m9ctl flash restore");
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
    const bool restore = args.flag("--restore");
    if (std::optional<std::string> unknown = args.unknownOption())
        return usageError("flash: unknown option " + *unknown);
    if (args.words().size() != 1)
        return usageError("flash needs exactly one HEX file");
    const std::string path = args.words().front();
    if (!checkHexFile(path, session.messages()))
        return kFileError;
    ConsoleMessages &messages = session.messages();
    upgrader::BootSession &boot = session.boot();
    // The snapshot needs the parameter list; a missing one is told before the drive is asked.
    if (!session.openCatalogue())
        return worse(kFileError, messages.worstCode());
    std::optional<tarvex::snapshots::Snapshot> before;
    std::optional<tarvex::snapshots::Snapshot> earlier; // of the download that did not finish
    const DriveSession::Answer answer = session.connectOrFindBootLoader();
    if (answer == DriveSession::Answer::Nothing)
        return worse(kLinkFailure, messages.worstCode());
    if (answer == DriveSession::Answer::BootLoader) {
        // No servo to check: the boot loader runs no motor. The download
        // that was cut short is simply made again, as the upgrader does.
        warn(session.port() + ": the drive answered in its boot loader (an earlier download did not finish); "
                              "the download starts again");
        earlier = lastSnapshotOf(session);
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
        // A download may set the parameters back to the factory's; the
        // snapshot lets them be put back afterwards.
        before = tarvex::snapshots::takeSnapshot(session.drive(), "m9ctl flash");
        if (!before) {
            messages.fail(kRefused, session.port() + ": no snapshot of the parameters could be kept; "
                                                     "nothing was downloaded");
            return worse(kRefused, messages.worstCode());
        }
        std::printf("snapshot %s\n", before->name.c_str());
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
    if (!before) {
        // The firmware that starts after a resumed download may take its
        // time; the comparison is left to the user.
        if (earlier)
            std::printf("m9ctl snapshots diff %s compares the parameters with those before the first attempt\n",
                        earlier->name.c_str());
        return kDone;
    }
    return compareAfterDownload(session, *before, restore);
}

} // namespace m9ctl
