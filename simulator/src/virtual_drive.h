// The virtual drive on a pseudo-terminal: a serving thread answers the
// client's Modbus requests (and, after a boot request, the boot loader's
// byte protocol at 115200 baud) from the drive model. Everything here is
// thread-safe, so tests and the console can switch behaviour and faults
// while the drive runs. The thread sleeps in poll() while nobody talks and
// nothing is due; the model catches up with the clock when asked.
#pragma once

#include "simulator/src/boot_loader.h"
#include "simulator/src/catalogue_defaults.h"
#include "simulator/src/drive_identity.h"
#include "simulator/src/drive_model.h"
#include "simulator/src/fault_plan.h"
#include "simulator/src/frame_assembler.h"
#include "simulator/src/pseudo_terminal.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vq::sim {

struct DriveOptions {
    std::uint8_t node = 0;
    // Further drives on the same line, each with registers of its own; the
    // first drive (`node`) is the one the control interface below steers.
    std::vector<std::uint8_t> otherNodes;
    unsigned lineSpeed = 19200;
    bool acceptAnySpeed = false; // answer whatever rate the client has set
    bool paced = false;          // bytes take their wire time; false: instant replies
    int responseDelayUs = 1500;  // the drive's own reaction time when paced
    bool verbose = false;        // log every frame
    std::function<void(const std::string &)> log; // where log lines go (standard error if empty)
    DriveIdentity identity;
    std::string linkPath; // a symbolic link to the device; empty for none
};

struct DriveCounters {
    long long framesAnswered = 0;
    long long framesIgnored = 0;   // other node, bad CRC, too short
    long long wrongSpeedChunks = 0; // bytes that arrived at another line speed
    long long repliesSuperseded = 0; // a delayed reply overtaken by a new request
    long long repliesSent = 0;
    std::size_t garbageBytes = 0;
};

class VirtualDrive {
public:
    explicit VirtualDrive(DriveOptions options, const CatalogueDefaults &catalogue = {});
    ~VirtualDrive();
    VirtualDrive(const VirtualDrive &) = delete;
    VirtualDrive &operator=(const VirtualDrive &) = delete;

    // Opens the line and starts serving. False with `error` set when the
    // pseudo-terminal cannot be had or the link asked for cannot be made
    // (see PseudoTerminal::linkAt).
    bool start(std::string &error);
    void stop();
    const std::string &devicePath() const { return pty_.devicePath(); }
    bool linked() const { return linked_; }

    // Faults (see FaultPlan).
    void dropNextReplies(int count);
    void corruptNextReplies(int count);
    // From the first request that starts at `address` on (that one
    // included), the next `count` replies are corrupted: a fault aimed at
    // one step of a longer exchange, however many requests come before it.
    void corruptRepliesFrom(std::uint16_t address, int count);
    void cutNextReplies(int keepBytes, int count = 1);
    void answerNextFromOtherNode(int count);
    // The next `count` replies come `ms` late, each sent whatever requests follow.
    void delayNextReplies(int count, int ms);
    // The next `count` replies are exception `code` (1 to 255) instead.
    void refuseNextReplies(int code, int count);
    // Every reply `ms` late; see FaultPlan for the modes. 0 with no modes ends it.
    void setReplyDelayMs(int ms, bool keepEvery = false, int exceptionCode = -1);
    void setSilent(bool silent);
    void bootCorruptNextReadBack();
    void bootRejectNextRow();
    void setBootSilent(bool silent);
    FaultPlan faults() const;

    // The drive's surroundings.
    void raiseAlarm(std::uint8_t code, double afterSeconds = 0);
    void resetAlarm();
    void setResonance(bool on, double hz);
    void setInputs(std::uint16_t bits);
    void setIdentity(const DriveIdentity &identity);
    void setTuningDuration(std::chrono::milliseconds duration);
    void setMeasuredInertia(std::uint16_t value);
    void setPaced(bool paced);
    void setAcceptAnySpeed(bool any);
    void setVerbose(bool verbose);
    // Whether the firmware a download brings sets every parameter back to
    // the catalogue's default when it first starts (off: they stay).
    void setDefaultsAfterDownload(bool on);
    // Every parameter back at the catalogue's default at once, as such a
    // firmware leaves them, for tests whose download happens elsewhere.
    void restoreParameterDefaults();

    // Observation.
    struct Motion {
        bool servoOn = false;        // the servo is energised (by the user, a run or its stop)
        bool userServoOn = false;    // switched on by the operation command
        bool jogging = false;
        bool programRunning = false;
        bool tuningRunning = false;
        double speedRpm = 0;
        // Nothing moves, nothing will, and no servo holds the motor.
        bool atRest() const
        {
            return !servoOn && !jogging && !programRunning && !tuningRunning && speedRpm > -5 &&
                   speedRpm < 5;
        }
    };
    Motion motion();
    std::uint16_t registerValue(std::uint16_t address);
    // A register of the drive at `node` on the line; nullopt for no such drive.
    std::optional<std::uint16_t> registerValueAt(std::uint8_t node, std::uint16_t address);
    // Every node the line serves, the first drive's first.
    std::vector<std::uint8_t> nodes() const;
    bool hasRegister(std::uint16_t address);
    bool parameterLocked();
    std::uint8_t activeAlarm();
    std::vector<std::uint8_t> alarmHistory();
    long long traceOverruns();
    // Trace blocks made since the trace last started, queued or not.
    long long traceBlocksProduced();
    bool inBootLoader();
    int bootResets();
    std::map<std::uint32_t, std::vector<std::uint8_t>> programRowsWritten();
    std::uint32_t programInstruction(std::uint32_t wordAddress);
    // The program memory as an Intel HEX file's text.
    std::string programMemoryHex();
    DriveCounters counters();
    std::string statusText();

private:
    struct PendingReply {
        std::vector<std::uint8_t> bytes;
        std::chrono::steady_clock::time_point due;
        unsigned baud = 0;
        bool enterBootLoader = false;
        bool kept = false; // never gives way to a later request
    };

    long long stepNow() const;
    void serve();
    void onBytes(const std::uint8_t *bytes, std::size_t length);
    void onFrame(const std::vector<std::uint8_t> &frame, unsigned baud);
    // The drive a request frame is addressed to; the first when none is, so
    // that the slave states why it stays silent. Called under the lock.
    std::pair<std::uint8_t, DriveModel *> addressedDrive(const std::vector<std::uint8_t> &frame);
    void sendDue();
    void send(const std::vector<std::uint8_t> &bytes, unsigned baud);
    int pollTimeoutMs() const;
    void logLine(const std::string &line);
    void logFrame(const char *direction, const std::uint8_t *bytes, std::size_t length);

    DriveOptions options_;
    PseudoTerminal pty_;
    bool linked_ = false;
    int wakeFd_ = -1;
    std::chrono::steady_clock::time_point epoch_;

    mutable std::mutex mutex_; // guards everything below
    DriveModel model_;
    std::vector<std::unique_ptr<DriveModel>> otherModels_; // by the order of options_.otherNodes
    CatalogueDefaults catalogue_;
    struct AimedCorruption {
        std::uint16_t address = 0;
        int count = 0;
    } aimedCorruption_;
    bool defaultsAfterDownload_ = false;
    BootLoader boot_;
    FaultPlan faults_;
    DriveCounters counters_;
    int bootResets_ = 0;

    // Serving thread only.
    FrameAssembler assembler_;
    std::chrono::steady_clock::time_point lastByte_;
    bool bootIdleSignalled_ = true;
    std::chrono::steady_clock::time_point bootLineFreeAt_{}; // when the client's bytes have all arrived
    std::deque<PendingReply> pending_; // in the order they fall due

    std::thread thread_;
};

} // namespace vq::sim
