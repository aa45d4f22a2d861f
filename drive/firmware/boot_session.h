// The conversation with the drive's boot loader, free of any window: asking
// the running firmware to enter its boot loader (probing the four line
// speeds), the handshake at 115200 baud, and the download of an image with
// the read-back of the reset jump, the row writes and the final reset.
// Each step runs on a worker thread of the window; messages go through a
// callback that shows them and returns once they are dismissed.
#pragma once

#include "drive/firmware/boot_port.h"
#include "drive/firmware/firmware_image.h"

#include <atomic>
#include <functional>
#include <string>

namespace upgrader {

// Outcomes of a download, as the progress monitor reports them.
enum DownloadResult : int {
    kRunning = 0,
    kNoPath = 2,          // "File Full Path is not command!!"
    kCommunicationError = 4, // "USB Commucation Error!!"
    kBadHexFile = 16,     // "Bad Hex file", already shown by the download
    kUnknownRecord = 32,  // "Unknown hex record type"
    kCannotOpenFile = 64, // "Can't open HEX File"
    kCompleted = 240,     // "Firmware Download Completion!!"
};

struct BootTiming {
    unsigned probeWaitMs = 130;
    unsigned readBackWaitMs = 250;
    unsigned emptyPollMs = 20;
    int emptyPollLimit = 30;
    unsigned resetWaitMs = 50;
    // Re-requests of the read-back and resends of one row before the
    // download gives up: a boot loader that keeps refusing is not retried
    // for ever.
    int retryLimit = 10;
};

class BootSession {
public:
    using MessageFn = std::function<void(const std::string &)>;
    // One line on what the session is doing, for the window's status line;
    // called on the worker's thread.
    using StatusFn = std::function<void(const std::string &)>;

    BootSession(BootPort &port, MessageFn message, BootTiming timing = {});

    // "Ready": sends the boot request at 9600, 19200, 38400 and 57600 baud
    // until the running firmware answers; the port is closed afterwards.
    // Returns whether it answered ("application answered").
    bool probeApplication();
    // The boot entry: opens the port at 115200 (if closed) and shakes hands
    // with the boot loader. Returns whether downloading may start. Without
    // an answer from the firmware it only asks (0x0B): a boot loader left
    // waiting by a download that did not finish answers that, which is how
    // Ready, and m9ctl after a silent firmware, find such a drive again.
    bool enterBootLoader(bool applicationAnswered);
    // Whether the last boot entry had the port open at 115200 but heard no
    // answer from the boot loader (a failed open has said so already).
    bool bootLoaderSilent() const { return bootLoaderSilent_.load(); }
    void setStatusListener(StatusFn status) { status_ = std::move(status); }
    // The download of one HEX file; returns the result (DownloadResult) and
    // leaves the port closed once the image stage was reached.
    int download(const std::string &hexPath);

    // Progress value in percent, readable from any thread while downloading.
    double progress() const { return progress_.load(); }
    void resetProgress() { progress_ = 0.0; }
    // Rows written in the last download (for the monitor and the tests).
    int rowsWritten() const { return rowsWritten_.load(); }

    static constexpr unsigned kProbeRates[4] = {9600, 19200, 38400, 57600};
    static constexpr unsigned kBootRate = 115200;

private:
    enum class ReadBack { Ok, TimedOut, Pieces };
    ReadBack readProgramStart(std::uint8_t *into);
    // Waits for the one-byte answer to a row; -1 on time-out.
    int awaitRowAnswer();
    void sleepMs(unsigned ms);

    BootPort &port_;
    MessageFn message_;
    StatusFn status_;
    BootTiming timing_;
    std::atomic<double> progress_{0.0};
    std::atomic<int> rowsWritten_{0};
    std::atomic<bool> bootLoaderSilent_{false};
};

} // namespace upgrader
