// One request frame and one reply frame at a time with one drive: request
// building, the waits of the line discipline, reply reception and
// validation into the link status values.
//
// Two exchange profiles share everything but the waiting: the specified one
// polls the input queue with fixed waits; the fast one waits on the port and
// ends a receive as soon as the expected frame (or an exception frame) is
// in, after the Modbus silence of 3.5 characters before each request.
#pragma once

#include "link/src/byte_pipe.h"
#include "link/src/line_marker.h"
#include "link/src/link_statistics.h"
#include "link/modbus_frame.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

namespace vq::link {

struct ExchangeResult {
    int result = 0;         // data bytes stored (reads) or 8/0 (writes)
    std::uint8_t status = 0; // link status value
};

struct ReceiveResult {
    bool completed = false;
    std::uint8_t status = 0;
    int length = 0;
};

enum class ExchangeProfile : int { Specified = 0, Fast = 1 };

// Waits of the line discipline, in milliseconds.
struct LineTiming {
    static constexpr unsigned kBeforeSend = 5;
    static constexpr unsigned kBeforeFirstPoll = 40;
    static constexpr unsigned kPerPoll = 5;
    static constexpr unsigned kPerEmptyPoll = 10;
    static constexpr int kEmptyPollLimit = 20;
    static constexpr unsigned kScatteredExtra = 50;
    static constexpr int kMaxChunk = 255;
    static constexpr int kBusyQueue = 1000; // a count this large is taken as noise
    // How long a reply may take to start, and how long a started reply may
    // pause, before the receive gives up: 40 ms, then twenty empty polls.
    static constexpr unsigned kReplyStartWindow =
        kBeforeFirstPoll + kEmptyPollLimit * (kPerPoll + kPerEmptyPoll);
    static constexpr unsigned kReplyPauseLimit = kEmptyPollLimit * (kPerPoll + kPerEmptyPoll);
    // After an exchange whose reply may still be on its way, a different
    // request first waits for the line to be quiet for one attempt's time
    // plus this margin, and never longer than kSettleLimit in all. The margin
    // covers a drive whose lateness wavers (a busy adapter or host).
    static constexpr unsigned kSettleMargin = 150;
    static constexpr unsigned kSettleLimit = 1200;
    static constexpr unsigned kSettleStep = 5;
};

// Turnaround delay between the end of a send and the start of a receive for
// the rates the drive supports; other rates keep the current delay.
unsigned turnaroundForBaud(unsigned baud, unsigned current);

// Time `bytes` take on the line at `baud` (ten bit times each); 0 when the
// rate is unknown.
long long wireTimeUs(int bytes, unsigned baud);

// The Modbus silence before a request: 3.5 characters, 1750 us above 19200 baud.
long long frameSilenceUs(unsigned baud);

class FrameExchanger {
public:
    FrameExchanger(BytePipe &pipe, Sleeper &sleeper, std::function<void()> activity);

    void setNode(std::uint8_t node) { node_ = node; }
    void setTurnaround(unsigned ms) { turnaroundMs_ = ms; }
    void setBaud(unsigned baud) { baud_ = baud; }
    void setProfile(ExchangeProfile profile) { profile_ = profile; }
    ExchangeProfile profile() const { return profile_.load(); }
    // Where each exchange's outcome is counted and logged; none by default.
    void setStatistics(LinkStatistics *statistics) { statistics_ = statistics; }

    // Function 0x03: `count` registers from `start` into `destination`
    // (2 x count bytes).
    ExchangeResult readRegisters(std::uint16_t start, int count, std::uint8_t *destination);
    // Function 0x64 in `mode` for `blocks` blocks; `destination` holds the
    // data bytes the mode returns (one for modes 1 and 4, 60 per block else).
    ExchangeResult readTrace(std::uint8_t mode, int blocks, std::uint8_t *destination);
    // Function 0x06.
    ExchangeResult writeSingle(std::uint16_t address, std::uint16_t value);
    // Function 0x10.
    ExchangeResult writeMultiple(std::uint16_t start, const std::uint16_t *values, int count);
    // Function 0x6A: byteCount / 2 addresses; `destination` holds byteCount bytes.
    ExchangeResult scatteredRead(const std::uint16_t *addresses, int byteCount,
                                 std::uint8_t *destination);

    // The longest one attempt of an exchange may take: its waits, the reply
    // window and twice the wire time of its frames.
    long long attemptBudgetUs(int requestLength, int expectedLength, unsigned extraMs) const;

    // The attempts of one operation lie between these. An operation that
    // gave up while replies to it may still come leaves them owed however
    // late they are: the attempts of a different request then ask a marker
    // (line_marker.h) until its answer has come, and only then the request.
    void beginOperation();
    void endOperation(bool accepted);
    // A new line owes nothing; taken at the next operation (settings change
    // from another thread than the exchanges').
    void forgetOwedReplies() { forgetOwed_ = true; }

private:
    enum class Kind { Read, Write, Scattered };
    struct Plan {
        Kind kind;
        int requestLength;
        int expectedLength;
        unsigned extraWaitMs; // the scattered read's wait before the reply
        std::uint8_t *destination;
        int capacity;
    };

    ExchangeResult run(const Plan &plan);
    void settleIfNeeded(int requestLength);
    bool sameAsLastRequest(int requestLength) const;
    void send(const std::uint8_t *frame, int length, ExchangeProfile profile);
    // An attempt while replies are owed: it asks the marker instead and
    // reads what arrives until the marker's answer (then the next attempt
    // asks the request) or the attempt's time is up.
    ExchangeResult markerAttempt(const Plan &plan, ExchangeProfile profile);
    // Keeps the first `capacity` bytes drained in `kept`.
    bool drainUntilMarker(long long deadlineUs, int &drained, std::uint8_t *kept, int capacity);
    ReceiveResult receivePolling(int expectedLength, long long deadlineUs);
    ReceiveResult receiveWaiting(int expectedLength, long long deadlineUs);
    // Fixes the target length once the function byte is in; true when the
    // reply is complete.
    bool takeBytes(int n, int expectedLength, int &received, int &target);
    ExchangeResult finish(const Plan &plan, const ReceiveResult &received);
    // The outcome of an attempt for the statistics and the frame log.
    void record(std::uint8_t verdict, const ExchangeResult &out, const std::uint8_t *request,
                int requestLength, int replyLength, bool wholeFrame);
    void recordLate(const std::uint8_t *bytes, int length);
    bool replyMatchesRequest() const;
    void clearBuffers();

    BytePipe &pipe_;
    Sleeper &sleeper_;
    std::function<void()> activity_;
    // Settings may be changed from the user-interface thread while another
    // thread is between exchanges; they are read once per exchange.
    std::atomic<std::uint8_t> node_{0};
    std::atomic<unsigned> turnaroundMs_{0};
    std::atomic<unsigned> baud_{0};
    std::atomic<ExchangeProfile> profile_{ExchangeProfile::Specified};
    std::array<std::uint8_t, modbus::kFrameBufferSize> tx_{};
    std::array<std::uint8_t, modbus::kFrameBufferSize> rx_{};

    // What the line may still bring: set by an attempt that did not end in a
    // whole, valid frame (a reply to it may still come), cleared once the
    // line has been quiet before a different request.
    bool unsettled_ = false;
    std::array<std::uint8_t, modbus::kFrameBufferSize> lastRequest_{};
    int lastRequestLength_ = 0;
    long long lastAttemptBudgetUs_ = 0;
    long long lastLineActivityUs_ = 0; // the last byte sent or received
    long long lastSendUs_ = 0;         // when the last request had left
    // How late the drive answers, learnt while unsettled: the time from the
    // first failed attempt's request to the first byte that came after it.
    long long runFirstSendUs_ = 0;
    long long lateEstimateUs_ = 0;
    void noteBytesReceived();

    // Replies owed by operations that gave up, and the request they asked
    // (a repeat of that one request may take them: they carry its data).
    LineMarker marker_;
    std::array<std::uint8_t, modbus::kFrameBufferSize> owedRequest_{};
    int owedRequestLength_ = 0; // 0: owed by more than one request
    std::atomic<bool> forgetOwed_{false};
    int unansweredAttempts_ = 0; // in this operation: no whole frame came back

    LinkStatistics *statistics_ = nullptr;
    long long requestWrittenUs_ = 0;     // monotonic, when the last request was handed over
    long long requestWrittenWallUs_ = 0; // the same on the wall clock, for the log
};

} // namespace vq::link
