#include "simulator/src/virtual_drive.h"

#include "simulator/src/firmware_dump.h"

#include "simulator/src/modbus_slave.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vq::sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kBootLoaderBaud = 115200;
constexpr int kFrameGapMs = 2;     // inter-frame silence that ends garbage
constexpr int kBootGapMs = 50;     // a boot command cut short is forgotten after this

std::string hex(const std::uint8_t *bytes, std::size_t length)
{
    std::string out;
    const std::size_t shown = std::min<std::size_t>(length, 64);
    char cell[4];
    for (std::size_t i = 0; i < shown; ++i) {
        std::snprintf(cell, sizeof cell, "%02X", bytes[i]);
        if (i)
            out += ' ';
        out += cell;
    }
    if (shown < length)
        out += " ... (" + std::to_string(length) + " bytes)";
    return out;
}

} // namespace

VirtualDrive::VirtualDrive(DriveOptions options, const CatalogueDefaults &catalogue)
    : options_(std::move(options)), epoch_(Clock::now()), model_(options_.identity, catalogue), catalogue_(catalogue)
{
    for (std::size_t i = 0; i < options_.otherNodes.size(); ++i)
        otherModels_.push_back(std::make_unique<DriveModel>(options_.identity, catalogue));
}

VirtualDrive::~VirtualDrive() { stop(); }

bool VirtualDrive::start(std::string &error)
{
    if (thread_.joinable())
        return true;
    if (!pty_.isValid()) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    // A link that cannot be made stops the drive: the programs told to open
    // that name would find nothing, or another's device.
    if (!options_.linkPath.empty()) {
        linked_ = pty_.linkAt(options_.linkPath, error);
        if (!linked_)
            return false;
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        error = std::string("cannot create the wake-up event: ") + std::strerror(errno);
        return false;
    }
    thread_ = std::thread([this] { serve(); });
    return true;
}

void VirtualDrive::stop()
{
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    if (wakeFd_ >= 0) {
        ::close(wakeFd_);
        wakeFd_ = -1;
    }
}

long long VirtualDrive::stepNow() const
{
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - epoch_);
    return elapsed.count() / 200; // control steps of 0.2 ms
}

// ---- serving ----------------------------------------------------------

int VirtualDrive::pollTimeoutMs() const
{
    int timeout = -1; // nothing due: sleep until the client talks
    const auto now = Clock::now();
    const auto minWith = [&timeout](long long ms) {
        const int t = static_cast<int>(std::clamp<long long>(ms, 0, 60000));
        timeout = timeout < 0 ? t : std::min(timeout, t);
    };
    if (!pending_.empty())
        minWith((std::chrono::duration_cast<std::chrono::microseconds>(pending_.front().due - now).count() + 999) / 1000);
    const long long since = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastByte_).count();
    if (assembler_.hasPartial())
        minWith(kFrameGapMs - since + 1);
    if (!bootIdleSignalled_)
        minWith(kBootGapMs - since + 1);
    return timeout;
}

void VirtualDrive::serve()
{
    std::uint8_t chunk[2048];
    for (;;) {
        pollfd fds[2] = {{pty_.masterFd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, pollTimeoutMs());
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && (fds[1].revents & POLLIN))
            break; // asked to stop
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            const int n = pty_.read(chunk, sizeof chunk, 0);
            if (n > 0) {
                lastByte_ = Clock::now();
                bootIdleSignalled_ = false;
                onBytes(chunk, static_cast<std::size_t>(n));
            }
        }
        const auto now = Clock::now();
        const auto quietFor = std::chrono::duration_cast<std::chrono::milliseconds>(now - lastByte_).count();
        if (assembler_.hasPartial() && quietFor >= kFrameGapMs) {
            assembler_.lineIdle();
            std::lock_guard lock(mutex_);
            counters_.garbageBytes = assembler_.discardedBytes();
        }
        if (!bootIdleSignalled_ && quietFor >= kBootGapMs) {
            std::lock_guard lock(mutex_);
            boot_.lineIdle();
            bootIdleSignalled_ = true;
        }
        sendDue();
    }
}

void VirtualDrive::onBytes(const std::uint8_t *bytes, std::size_t length)
{
    bool silent = false, any = false, verbose = false, boot = false;
    unsigned expected = 0;
    {
        std::lock_guard lock(mutex_);
        silent = faults_.silent;
        any = options_.acceptAnySpeed;
        verbose = options_.verbose;
        boot = boot_.active();
        expected = boot ? kBootLoaderBaud : options_.lineSpeed;
    }
    if (silent)
        return; // the cable is pulled: nothing arrives
    const unsigned clientBaud = pty_.clientBaud();
    if (!any && clientBaud != expected) {
        // Bytes sent at another rate are noise to the drive's receiver.
        std::lock_guard lock(mutex_);
        ++counters_.wrongSpeedChunks;
        if (verbose)
            logLine("ignored " + std::to_string(length) + " bytes sent at " + std::to_string(clientBaud) +
                    " baud (listening at " + std::to_string(expected) + ")");
        return;
    }
    if (!pending_.empty()) {
        std::lock_guard lock(mutex_);
        if (!faults_.lateKeepsEvery) {
            // A new request overtakes a reply still being prepared: the client
            // has given up on it, and a half-duplex line has room for only one.
            // A reply the fault plan keeps goes out whatever follows.
            counters_.repliesSuperseded +=
                static_cast<long long>(std::erase_if(pending_, [](const PendingReply &p) { return !p.kept; }));
        }
    }
    if (boot) {
        std::vector<std::uint8_t> reply;
        bool reset = false, bootSilent = false, paced = false;
        {
            std::lock_guard lock(mutex_);
            paced = options_.paced;
            if (verbose)
                logFrame("boot rx", bytes, length);
            reply = boot_.feed(bytes, length);
            bootSilent = faults_.bootSilent;
            reset = boot_.takeReset();
            if (reset) {
                ++bootResets_;
                model_.advanceTo(stepNow());
                model_.controllerReset();
                if (defaultsAfterDownload_ && !boot_.rowsWritten().empty())
                    model_.restoreParameterDefaults(catalogue_);
                if (verbose)
                    logLine("boot loader reset: back to the normal firmware at " +
                            std::to_string(options_.lineSpeed) + " baud");
            }
        }
        // On a real line the client's bytes take their wire time to arrive;
        // the pseudo-terminal delivers them at once, so a paced drive holds
        // its answer until they would have been received.
        const auto now = std::chrono::steady_clock::now();
        bootLineFreeAt_ = std::max(bootLineFreeAt_, now) +
                          std::chrono::nanoseconds(byteTimeNs(kBootLoaderBaud) * static_cast<long long>(length));
        if (!reply.empty() && !bootSilent) {
            if (paced)
                std::this_thread::sleep_until(bootLineFreeAt_);
            if (verbose) {
                std::lock_guard lock(mutex_);
                logFrame("boot tx", reply.data(), reply.size());
            }
            send(reply, kBootLoaderBaud);
        }
        if (reset)
            assembler_ = FrameAssembler{};
        return;
    }
    assembler_.add(bytes, length);
    while (auto frame = assembler_.next())
        onFrame(*frame, clientBaud);
}

void VirtualDrive::onFrame(const std::vector<std::uint8_t> &frame, unsigned baud)
{
    PendingReply reply;
    bool paced = false;
    {
        std::lock_guard lock(mutex_);
        if (options_.verbose)
            logFrame("rx", frame.data(), frame.size());
        const auto [node, drive] = addressedDrive(frame);
        drive->advanceTo(stepNow());
        SlaveAnswer answer = answerRequest(frame.data(), frame.size(), node, *drive);
        if (answer.enterBootLoader && drive != &model_) {
            // The line has one boot loader, the first drive's: its byte
            // protocol carries no node address, so another drive on the line
            // may not start it.
            answer.reply = {};
            answer.enterBootLoader = false;
            answer.ignoredBecause = "boot request to a drive other than the first on the line";
        }
        if (answer.reply.empty()) {
            ++counters_.framesIgnored;
            if (options_.verbose && answer.ignoredBecause)
                logLine(std::string("no answer: ") + answer.ignoredBecause);
            return;
        }
        ++counters_.framesAnswered;
        // Function, then the start address, big-endian, after the node.
        if (aimedCorruption_.count > 0 && frame.size() >= 4 &&
            static_cast<std::uint16_t>(frame[2] << 8 | frame[3]) == aimedCorruption_.address) {
            faults_.corruptCrcReplies = aimedCorruption_.count;
            aimedCorruption_.count = 0;
        }
        const ReplyFate fate = applyReplyFaults(faults_, answer.reply);
        if (!fate.send) {
            if (options_.verbose)
                logLine("reply dropped (fault)");
            if (answer.enterBootLoader)
                boot_.enter();
            return;
        }
        paced = options_.paced;
        auto due = Clock::now() + std::chrono::milliseconds(fate.delayMs);
        if (paced) {
            // The request took its wire time to arrive, then the drive thinks.
            due += std::chrono::nanoseconds(byteTimeNs(baud ? baud : options_.lineSpeed) *
                                            static_cast<long long>(frame.size()));
            due += std::chrono::microseconds(options_.responseDelayUs);
        }
        reply.bytes = std::move(answer.reply);
        reply.due = due;
        reply.baud = paced ? (baud ? baud : options_.lineSpeed) : 0;
        reply.enterBootLoader = answer.enterBootLoader;
        reply.kept = fate.kept;
    }
    // Replies kept in turn leave in the order they fall due.
    const auto later = std::upper_bound(pending_.begin(), pending_.end(), reply.due,
                                        [](Clock::time_point due, const PendingReply &p) { return due < p.due; });
    pending_.insert(later, std::move(reply));
    sendDue();
}

std::pair<std::uint8_t, DriveModel *> VirtualDrive::addressedDrive(const std::vector<std::uint8_t> &frame)
{
    if (!frame.empty())
        for (std::size_t i = 0; i < options_.otherNodes.size(); ++i)
            if (options_.otherNodes[i] == frame[0] && options_.otherNodes[i] != options_.node)
                return {options_.otherNodes[i], otherModels_[i].get()};
    return {options_.node, &model_};
}

void VirtualDrive::sendDue()
{
    while (!pending_.empty() && Clock::now() >= pending_.front().due) {
        PendingReply reply = std::move(pending_.front());
        pending_.pop_front();
        {
            std::lock_guard lock(mutex_);
            ++counters_.repliesSent;
            if (options_.verbose)
                logFrame("tx", reply.bytes.data(), reply.bytes.size());
        }
        if (reply.enterBootLoader) {
            // Switched before the reply leaves: the client may change its rate
            // and start the handshake the moment it has the reply.
            std::lock_guard lock(mutex_);
            boot_.enter();
            if (options_.verbose)
                logLine("boot loader entered: listening at 115200 baud");
        }
        send(reply.bytes, reply.baud);
    }
}

void VirtualDrive::send(const std::vector<std::uint8_t> &bytes, unsigned baud)
{
    bool paced = false;
    {
        std::lock_guard lock(mutex_);
        paced = options_.paced;
    }
    if (paced && baud)
        pty_.writePaced(bytes.data(), bytes.size(), baud);
    else
        pty_.write(bytes.data(), bytes.size());
}

void VirtualDrive::logLine(const std::string &line)
{
    if (options_.log)
        options_.log(line);
    else
        std::cerr << "m9sim: " << line << '\n';
}

void VirtualDrive::logFrame(const char *direction, const std::uint8_t *bytes, std::size_t length)
{
    logLine(std::string(direction) + ": " + hex(bytes, length));
}

// ---- control ----------------------------------------------------------

void VirtualDrive::dropNextReplies(int count) { std::lock_guard lock(mutex_); faults_.dropReplies = std::max(0, count); }
void VirtualDrive::corruptNextReplies(int count) { std::lock_guard lock(mutex_); faults_.corruptCrcReplies = std::max(0, count); }

void VirtualDrive::corruptRepliesFrom(std::uint16_t address, int count)
{
    std::lock_guard lock(mutex_);
    aimedCorruption_ = {address, std::max(0, count)};
}
void VirtualDrive::cutNextReplies(int keepBytes, int count)
{
    std::lock_guard lock(mutex_);
    faults_.cutKeepBytes = std::max(0, keepBytes);
    faults_.cutReplies = std::max(0, count);
}
void VirtualDrive::answerNextFromOtherNode(int count) { std::lock_guard lock(mutex_); faults_.otherNodeReplies = std::max(0, count); }
void VirtualDrive::setReplyDelayMs(int ms, bool keepEvery, int exceptionCode)
{
    std::lock_guard lock(mutex_);
    faults_.lateMs = std::clamp(ms, 0, 60000);
    faults_.lateKeepsEvery = keepEvery;
    faults_.lateExceptionCode = std::clamp(exceptionCode, -1, 255);
}
void VirtualDrive::delayNextReplies(int count, int ms)
{
    std::lock_guard lock(mutex_);
    faults_.lateReplies = std::max(0, count);
    faults_.lateRepliesMs = std::clamp(ms, 0, 60000);
}
void VirtualDrive::refuseNextReplies(int code, int count)
{
    std::lock_guard lock(mutex_);
    faults_.exceptionRepliesCode = std::clamp(code, 1, 255);
    faults_.exceptionReplies = std::max(0, count);
}
void VirtualDrive::setSilent(bool silent) { std::lock_guard lock(mutex_); faults_.silent = silent; }
void VirtualDrive::bootCorruptNextReadBack() { std::lock_guard lock(mutex_); boot_.corruptNextReadBack(); }
void VirtualDrive::bootRejectNextRow() { std::lock_guard lock(mutex_); boot_.rejectNextRow(); }
void VirtualDrive::setBootSilent(bool silent) { std::lock_guard lock(mutex_); faults_.bootSilent = silent; }
FaultPlan VirtualDrive::faults() const { std::lock_guard lock(mutex_); return faults_; }

void VirtualDrive::raiseAlarm(std::uint8_t code, double afterSeconds)
{
    std::lock_guard lock(mutex_);
    const long long now = stepNow();
    model_.advanceTo(now);
    const double delay = std::clamp(afterSeconds, 0.0, 86400.0);
    model_.scheduleAlarm(code, now + static_cast<long long>(delay * static_cast<double>(kStepsPerSecond)));
}

void VirtualDrive::resetAlarm()
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    model_.resetAlarm();
}

void VirtualDrive::setResonance(bool on, double hz)
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    model_.setResonance(on, hz);
}

void VirtualDrive::setInputs(std::uint16_t bits)
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    model_.setInputs(bits);
}

void VirtualDrive::setIdentity(const DriveIdentity &identity) { std::lock_guard lock(mutex_); model_.setIdentity(identity); }
void VirtualDrive::setTuningDuration(std::chrono::milliseconds duration)
{
    std::lock_guard lock(mutex_);
    model_.setTuningDurationSteps(duration.count() * kStepsPerMs);
}
void VirtualDrive::setMeasuredInertia(std::uint16_t value) { std::lock_guard lock(mutex_); model_.setMeasuredInertia(value); }
void VirtualDrive::setPaced(bool paced) { std::lock_guard lock(mutex_); options_.paced = paced; }
void VirtualDrive::setAcceptAnySpeed(bool any) { std::lock_guard lock(mutex_); options_.acceptAnySpeed = any; }
void VirtualDrive::setVerbose(bool verbose) { std::lock_guard lock(mutex_); options_.verbose = verbose; }
void VirtualDrive::setDefaultsAfterDownload(bool on) { std::lock_guard lock(mutex_); defaultsAfterDownload_ = on; }

void VirtualDrive::restoreParameterDefaults()
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    model_.restoreParameterDefaults(catalogue_);
}

std::uint16_t VirtualDrive::registerValue(std::uint16_t address)
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    return model_.peek(address);
}

std::optional<std::uint16_t> VirtualDrive::registerValueAt(std::uint8_t node, std::uint16_t address)
{
    std::lock_guard lock(mutex_);
    DriveModel *drive = node == options_.node ? &model_ : nullptr;
    for (std::size_t i = 0; !drive && i < options_.otherNodes.size(); ++i)
        if (options_.otherNodes[i] == node)
            drive = otherModels_[i].get();
    if (!drive)
        return std::nullopt;
    drive->advanceTo(stepNow());
    return drive->peek(address);
}

std::vector<std::uint8_t> VirtualDrive::nodes() const
{
    std::vector<std::uint8_t> all;
    all.reserve(options_.otherNodes.size() + 1);
    all.push_back(options_.node);
    for (std::uint8_t node : options_.otherNodes)
        all.push_back(node);
    return all;
}

bool VirtualDrive::hasRegister(std::uint16_t address) { std::lock_guard lock(mutex_); return model_.isKnown(address); }
bool VirtualDrive::parameterLocked() { std::lock_guard lock(mutex_); return model_.locked(); }

std::uint8_t VirtualDrive::activeAlarm()
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    return model_.activeAlarm();
}

std::vector<std::uint8_t> VirtualDrive::alarmHistory()
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    return model_.alarmHistory();
}

long long VirtualDrive::traceOverruns()
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    return model_.trace().overruns();
}

long long VirtualDrive::traceBlocksProduced()
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    return model_.trace().blocksProduced();
}

bool VirtualDrive::inBootLoader() { std::lock_guard lock(mutex_); return boot_.active(); }
int VirtualDrive::bootResets() { std::lock_guard lock(mutex_); return bootResets_; }
std::map<std::uint32_t, std::vector<std::uint8_t>> VirtualDrive::programRowsWritten()
{
    std::lock_guard lock(mutex_);
    return boot_.rowsWritten();
}
std::uint32_t VirtualDrive::programInstruction(std::uint32_t wordAddress)
{
    std::lock_guard lock(mutex_);
    return boot_.instructionAt(wordAddress);
}
std::string VirtualDrive::programMemoryHex()
{
    std::lock_guard lock(mutex_);
    return vq::sim::programMemoryHex(boot_.program());
}
DriveCounters VirtualDrive::counters() { std::lock_guard lock(mutex_); return counters_; }

VirtualDrive::Motion VirtualDrive::motion()
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    const MotorModel &motor = model_.motor();
    Motion motion;
    motion.servoOn = motor.servoIsOn();
    motion.userServoOn = motor.userServoOn();
    motion.jogging = motor.jogging();
    motion.programRunning = motor.programRunning();
    motion.tuningRunning = motor.tuningRunning();
    motion.speedRpm = motor.speedRpm();
    return motion;
}

std::string VirtualDrive::statusText()
{
    std::lock_guard lock(mutex_);
    model_.advanceTo(stepNow());
    std::string text = model_.statusText();
    text += boot_.active() ? ", in boot loader" : ", normal firmware";
    text += "; faults: " + faults_.describe();
    return text;
}

} // namespace vq::sim
