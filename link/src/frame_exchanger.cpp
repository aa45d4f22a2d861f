#include "link/src/frame_exchanger.h"

#include "link/crc16.h"
#include "vq_communication.h"

#include <algorithm>
#include <cstring>

namespace vq::link {

using namespace vq::modbus;

namespace {

constexpr long long kUsPerMs = 1000;

unsigned wholeMs(long long microseconds)
{
    return microseconds <= 0 ? 0u : static_cast<unsigned>((microseconds + kUsPerMs - 1) / kUsPerMs);
}

} // namespace

unsigned turnaroundForBaud(unsigned baud, unsigned current)
{
    switch (baud) {
    case 9600: return 30;
    case 19200:
    case 38400:
    case 57600: return 0;
    default: return current;
    }
}

long long wireTimeUs(int bytes, unsigned baud)
{
    if (baud == 0 || bytes <= 0)
        return 0;
    return static_cast<long long>(bytes) * 10'000'000LL / baud;
}

long long frameSilenceUs(unsigned baud)
{
    if (baud > 19200)
        return 1750;
    return wireTimeUs(7, baud) / 2;
}

FrameExchanger::FrameExchanger(BytePipe &pipe, Sleeper &sleeper, std::function<void()> activity)
    : pipe_(pipe), sleeper_(sleeper), activity_(std::move(activity))
{
}

void FrameExchanger::clearBuffers()
{
    tx_.fill(0);
    rx_.fill(0);
}

long long FrameExchanger::attemptBudgetUs(int requestLength, int expectedLength,
                                          unsigned extraMs) const
{
    const unsigned waits = LineTiming::kBeforeSend + turnaroundMs_ + extraMs + LineTiming::kReplyStartWindow;
    const unsigned baud = baud_;
    return waits * kUsPerMs + 2 * (wireTimeUs(requestLength, baud) + wireTimeUs(expectedLength, baud));
}

void FrameExchanger::settleIfNeeded(int requestLength)
{
    if (!unsettled_)
        return;
    // A retry of the same request may take the late answer to an earlier
    // attempt: it carries the same data.
    if (sameAsLastRequest(requestLength))
        return;
    // Replies to the earlier attempts come, if at all, as far apart as the
    // attempts went out, so one attempt's time of quiet means none is left;
    // and none comes later after the last request than the first byte seen
    // came after the first failed one.
    const long long marginUs = LineTiming::kSettleMargin * kUsPerMs;
    const long long quietUs = lastAttemptBudgetUs_ + marginUs;
    const long long startedUs = sleeper_.nowUs();
    std::array<std::uint8_t, LineTiming::kMaxChunk> scratch{};
    // What came while settling answers nothing asked now: a late reply.
    std::array<std::uint8_t, modbus::kFrameBufferSize> late{};
    int lateLength = 0;
    const auto settled = [&](bool quiet) {
        if (quiet)
            unsettled_ = false;
        if (lateLength > 0)
            recordLate(late.data(), lateLength);
    };
    for (;;) {
        const long long nowUs = sleeper_.nowUs();
        const long long settledAtUs =
            std::max(lastLineActivityUs_ + quietUs, lastSendUs_ + lateEstimateUs_ + marginUs);
        if (nowUs >= settledAtUs)
            return settled(true);
        if (nowUs - startedUs >= LineTiming::kSettleLimit * kUsPerMs)
            return settled(false); // a line that never goes quiet: go on, still unsettled
        const int queued = pipe_.waiting();
        if (queued < 0)
            return settled(false);
        if (queued > 0) {
            const int n = pipe_.read(scratch.data(), static_cast<int>(scratch.size()));
            if (n < 0)
                return settled(false);
            if (n > 0) {
                const int kept = std::min(n, static_cast<int>(late.size()) - lateLength);
                std::copy_n(scratch.begin(), kept, late.begin() + lateLength);
                lateLength += kept;
                noteBytesReceived();
                continue;
            }
        }
        sleeper_.sleepUs(std::min<long long>(LineTiming::kSettleStep * kUsPerMs, settledAtUs - nowUs));
    }
}

bool FrameExchanger::sameAsLastRequest(int requestLength) const
{
    return requestLength == lastRequestLength_ &&
           std::equal(tx_.begin(), tx_.begin() + requestLength, lastRequest_.begin());
}

void FrameExchanger::beginOperation()
{
    if (forgetOwed_.exchange(false))
        marker_.forget();
    unansweredAttempts_ = 0;
}

void FrameExchanger::endOperation(bool accepted)
{
    // Replies that came within the operation showed how late the drive is;
    // the wait before a different request covers that much, no more.
    const bool beyondSettling =
        lateEstimateUs_ + LineTiming::kSettleMargin * kUsPerMs > LineTiming::kSettleLimit * kUsPerMs;
    if (unansweredAttempts_ == 0 || (accepted && !beyondSettling))
        return;
    const bool firstOwed = !marker_.owing();
    const bool sameOwed = owedRequestLength_ == lastRequestLength_ &&
                          std::equal(lastRequest_.begin(), lastRequest_.begin() + lastRequestLength_,
                                     owedRequest_.begin());
    if (firstOwed) {
        owedRequest_ = lastRequest_;
        owedRequestLength_ = lastRequestLength_;
    } else if (!sameOwed) {
        owedRequestLength_ = 0;
    }
    marker_.owe(lastRequest_.data(), lastRequestLength_);
}

bool FrameExchanger::drainUntilMarker(long long deadlineUs, int &drained, std::uint8_t *kept,
                                      int capacity)
{
    std::array<std::uint8_t, LineTiming::kMaxChunk> scratch{};
    // Bytes that keep coming never hold the line past the deadline.
    for (long long nowUs = sleeper_.nowUs(); nowUs < deadlineUs; nowUs = sleeper_.nowUs()) {
        const int queued = pipe_.waiting();
        const int n = queued > 0 ? pipe_.read(scratch.data(), static_cast<int>(scratch.size())) : 0;
        if (queued < 0 || n < 0) {
            drained = -1; // the line cannot be asked
            return false;
        }
        if (n > 0) {
            noteBytesReceived();
            const int room = std::clamp(capacity - drained, 0, n);
            std::copy_n(scratch.begin(), room, kept + drained);
            drained += n;
            if (marker_.seen(scratch.data(), n))
                return true;
            continue;
        }
        sleeper_.sleepUs(std::min<long long>(LineTiming::kSettleStep * kUsPerMs, deadlineUs - nowUs));
    }
    return false;
}

ExchangeResult FrameExchanger::markerAttempt(const Plan &plan, ExchangeProfile profile)
{
    std::array<std::uint8_t, modbus::kFrameBufferSize> marker{};
    const int length = marker_.build(marker.data(), node_);
    const long long deadlineUs =
        sleeper_.nowUs() + attemptBudgetUs(length, scatteredReplyLength(length - 5), 0);
    const int answerLength = scatteredReplyLength(length - 5);
    send(marker.data(), length, profile);
    int drained = 0;
    std::array<std::uint8_t, modbus::kFrameBufferSize> came{};
    const bool answered = drainUntilMarker(deadlineUs, drained, came.data(), static_cast<int>(came.size()));
    lastLineActivityUs_ = std::max(lastLineActivityUs_, sleeper_.nowUs());
    clearBuffers();
    if (answered) {
        // Everything asked before the marker has been answered or never
        // will be: the next attempt asks this operation's request.
        marker_.forget();
        unsettled_ = false;
    }
    const ExchangeResult out =
        drained != 0 ? ExchangeResult{0, VQ_STATUS_FAILED_READ} // others' replies, the marker's, or a line that cannot be asked
                     : ExchangeResult{plan.kind == Kind::Write ? kWriteReplyLength : 0, VQ_STATUS_NO_REPLY};
    const std::uint8_t verdict = answered        ? VQ_VERDICT_MARKER
                                 : drained < 0   ? VQ_VERDICT_LINE_ERROR
                                 : drained > 0   ? VQ_VERDICT_FOREIGN_REPLY
                                                 : VQ_VERDICT_NO_REPLY;
    const int cameLength = std::clamp(drained, 0, static_cast<int>(came.size()));
    if (statistics_)
        statistics_->recordExchange(verdict, out.status, marker.data(), length, came.data(), cameLength,
                                    requestWrittenWallUs_, answered ? sleeper_.nowUs() - requestWrittenUs_ : -1);
    // Bytes before the marker's answer were replies owed to earlier requests.
    if (drained > (answered ? answerLength : 0))
        recordLate(nullptr, 0);
    return out;
}

void FrameExchanger::noteBytesReceived()
{
    lastLineActivityUs_ = sleeper_.nowUs();
    // The first byte after the first failed attempt answers that attempt at
    // the latest; later ones answer later requests and tell nothing more.
    if (unsettled_ && lateEstimateUs_ == 0)
        lateEstimateUs_ = std::max(1LL, lastLineActivityUs_ - runFirstSendUs_);
}

void FrameExchanger::send(const std::uint8_t *frame, int length, ExchangeProfile profile)
{
    if (activity_)
        activity_();
    if (statistics_ && pipe_.waiting() > 0) {
        // Kept for the log before the purge drops them.
        std::array<std::uint8_t, modbus::kFrameBufferSize> late{};
        const int n = pipe_.read(late.data(), static_cast<int>(late.size()));
        if (n > 0)
            recordLate(late.data(), n);
    }
    pipe_.purge(); // a late reply to an earlier request is thrown away here
    const unsigned baud = baud_;
    if (profile == ExchangeProfile::Fast)
        sleeper_.sleepUs(frameSilenceUs(baud));
    else
        sleeper_.sleepMs(LineTiming::kBeforeSend);
    const long long writtenUs = sleeper_.nowUs();
    requestWrittenUs_ = writtenUs;
    requestWrittenWallUs_ = LinkStatistics::wallClockUs();
    // A refused write is not a failure of the send: a lost request shows up
    // as a missing reply.
    (void)pipe_.write(frame, length);
    // The waits that follow are meant from the end of the request on the
    // line. A frame cannot leave faster than the line carries it, whatever
    // the driver reports (a pseudo-terminal takes it at once).
    const long long wireUs = wireTimeUs(length, baud);
    pipe_.waitUntilSent(wholeMs(2 * wireUs) + 20);
    const long long leftUs = writtenUs + wireUs;
    const long long nowUs = sleeper_.nowUs();
    if (nowUs < leftUs)
        sleeper_.sleepUs(leftUs - nowUs);
    lastSendUs_ = std::max(nowUs, leftUs);
    lastLineActivityUs_ = lastSendUs_;
}

bool FrameExchanger::takeBytes(int n, int expectedLength, int &received, int &target)
{
    received += n;
    if (target < 0 && received >= 2)
        target = (rx_[1] & kExceptionBit) ? kExceptionReplyLength : expectedLength;
    return (target >= 0 && received >= target) || received >= static_cast<int>(rx_.size());
}

ReceiveResult FrameExchanger::receivePolling(int expectedLength, long long deadlineUs)
{
    sleeper_.sleepMs(LineTiming::kBeforeFirstPoll);
    if (activity_)
        activity_();

    const int capacity = static_cast<int>(rx_.size());
    int received = 0;
    int target = -1;
    int emptyPolls = 0;
    for (;;) {
        // Bytes that keep trickling in never hold the line past the deadline.
        if (sleeper_.nowUs() >= deadlineUs)
            return {true, VQ_STATUS_FAILED_READ, received};
        const int queued = pipe_.waiting();
        if (queued < 0)
            return {false, VQ_STATUS_FAILED_READ, received};
        sleeper_.sleepMs(LineTiming::kPerPoll);
        if (queued == 0 || queued >= LineTiming::kBusyQueue) {
            sleeper_.sleepMs(LineTiming::kPerEmptyPoll);
            if (++emptyPolls >= LineTiming::kEmptyPollLimit)
                return {true, VQ_STATUS_FAILED_READ, received};
            continue;
        }
        // Never read past the buffer, whatever the drive keeps sending.
        const int room = std::min(LineTiming::kMaxChunk, capacity - received);
        const int n = room > 0 ? pipe_.read(rx_.data() + received, room) : 0;
        if (n < 0)
            return {false, VQ_STATUS_FAILED_READ, received};
        if (n > 0)
            noteBytesReceived();
        if (takeBytes(n, expectedLength, received, target))
            return {true, 0, received};
        emptyPolls = 0;
    }
}

ReceiveResult FrameExchanger::receiveWaiting(int expectedLength, long long deadlineUs)
{
    if (activity_)
        activity_();
    const int capacity = static_cast<int>(rx_.size());
    const long long startedUs = sleeper_.nowUs();
    long long lastByteUs = startedUs;
    int received = 0;
    int target = -1;
    for (;;) {
        // The same patience as the polling receive: a reply must start
        // within the window, and a started one may pause as long.
        const long long giveUpUs = received == 0
                                       ? startedUs + LineTiming::kReplyStartWindow * kUsPerMs
                                       : lastByteUs + LineTiming::kReplyPauseLimit * kUsPerMs;
        const long long untilUs = std::min(giveUpUs, deadlineUs);
        const long long nowUs = sleeper_.nowUs();
        if (nowUs >= untilUs)
            return {true, VQ_STATUS_FAILED_READ, received};
        const int ready = pipe_.waitReadable(wholeMs(untilUs - nowUs));
        if (ready < 0)
            return {false, VQ_STATUS_FAILED_READ, received};
        if (ready == 0)
            continue;
        const int room = std::min(LineTiming::kMaxChunk, capacity - received);
        const int n = pipe_.read(rx_.data() + received, room);
        if (n < 0)
            return {false, VQ_STATUS_FAILED_READ, received};
        if (n == 0)
            continue;
        noteBytesReceived();
        lastByteUs = lastLineActivityUs_;
        if (takeBytes(n, expectedLength, received, target))
            return {true, 0, received};
    }
}

bool FrameExchanger::replyMatchesRequest() const
{
    switch (tx_[1]) {
    case kReadRegisters: return rx_[2] == 2 * tx_[5];
    case kScatteredRead: return rx_[2] == tx_[2];
    case kWriteSingle:   // the echo repeats address and value
    case kWriteMultiple: // the reply repeats start address and count
        return std::equal(rx_.begin() + 2, rx_.begin() + 6, tx_.begin() + 2);
    default: return true; // a trace block carries no count
    }
}

ExchangeResult FrameExchanger::finish(const Plan &plan, const ReceiveResult &received)
{
    ExchangeResult out;
    const int length = received.length;
    const int tooShort = plan.kind == Kind::Scattered ? 5 : 4;
    const int writeResult = kWriteReplyLength;
    // Only a whole, valid frame tells that nothing more is on its way.
    bool wholeFrame = false;
    std::uint8_t verdict = VQ_VERDICT_ACCEPTED;

    if (!received.completed) {
        out = {0, received.status};
        verdict = VQ_VERDICT_LINE_ERROR;
    } else if (length <= tooShort) {
        out = {plan.kind == Kind::Write ? writeResult : 0, VQ_STATUS_NO_REPLY};
        verdict = VQ_VERDICT_NO_REPLY;
    } else if (rx_[0] != tx_[0]) {
        out = {0, VQ_STATUS_NODE_MISMATCH};
        verdict = VQ_VERDICT_OTHER_NODE;
    } else if ((rx_[1] & static_cast<std::uint8_t>(~kExceptionBit)) != tx_[1]) {
        // The answer to another request (a late one, or noise) is never this one's.
        out = {0, VQ_STATUS_FAILED_READ};
        verdict = VQ_VERDICT_FOREIGN_REPLY;
    } else if (rx_[1] & kExceptionBit) {
        const std::uint8_t code = rx_[2];
        // Code 0 is no exception at all: taken as such, a refused write
        // would pass for an accepted one.
        if (!crcMatches(rx_.data(), kExceptionReplyLength) || code == 0) {
            out = {0, VQ_STATUS_FAILED_READ};
            verdict = code == 0 && crcMatches(rx_.data(), kExceptionReplyLength) ? VQ_VERDICT_FOREIGN_REPLY
                                                                                 : VQ_VERDICT_BAD_CRC;
        } else {
            const bool traceNotReady = tx_[1] == kTraceRead && code == 5;
            out = {traceNotReady ? 2 : 0, code};
            wholeFrame = true;
            verdict = traceNotReady ? VQ_VERDICT_NOT_READY : VQ_VERDICT_EXCEPTION;
        }
    } else if (received.status == 0 &&
               (!crcMatches(rx_.data(), std::min(length, plan.expectedLength)) ||
                !replyMatchesRequest())) {
        // A garbled reply, or one that does not answer what was asked, is
        // not data: report a failed read so that the attempt loop asks again.
        out = {0, VQ_STATUS_FAILED_READ};
        verdict = crcMatches(rx_.data(), std::min(length, plan.expectedLength)) ? VQ_VERDICT_FOREIGN_REPLY
                                                                               : VQ_VERDICT_BAD_CRC;
    } else if (plan.kind == Kind::Write) {
        out = {writeResult, received.status};
        wholeFrame = received.status == 0;
        verdict = wholeFrame ? VQ_VERDICT_ACCEPTED : VQ_VERDICT_CUT_SHORT;
    } else {
        // Only the frame the request asked for counts; bytes beyond it are
        // line noise and never reach the caller's buffer.
        const int frameLength = std::min(length, plan.expectedLength);
        const int first = rx_[1] == kTraceRead ? 2 : 3;
        const int count = std::clamp(frameLength - 2 - first, 0, plan.capacity);
        if (count > 0)
            std::memcpy(plan.destination, rx_.data() + first, static_cast<std::size_t>(count));
        out = {count, received.status};
        wholeFrame = received.status == 0;
        verdict = wholeFrame ? VQ_VERDICT_ACCEPTED : VQ_VERDICT_CUT_SHORT;
    }
    // By position: an attempt that got a whole frame back, even a wrong
    // one, owes nothing more; one that got none may still be answered.
    const int frameLength =
        (length >= 2 && (rx_[1] & kExceptionBit)) ? kExceptionReplyLength : plan.expectedLength;
    // (A line that cannot be asked, a closed port, carried nothing out.)
    if (received.completed && !(received.status == 0 && length >= frameLength &&
                                crcMatches(rx_.data(), static_cast<std::size_t>(frameLength))))
        ++unansweredAttempts_;
    if (!wholeFrame && !unsettled_) {
        unsettled_ = true;
        runFirstSendUs_ = lastSendUs_;
        lateEstimateUs_ = 0;
    }
    record(verdict, out, tx_.data(), plan.requestLength, length,
           received.completed && received.status == 0 && length > tooShort);
    // Bytes behind the whole frame came for an earlier request.
    const int surplus = length - frameLength;
    if (received.completed && received.status == 0 && length > tooShort && frameLength > 0 && surplus > 0)
        recordLate(rx_.data() + frameLength, surplus);
    clearBuffers();
    return out;
}

void FrameExchanger::record(std::uint8_t verdict, const ExchangeResult &out, const std::uint8_t *request,
                            int requestLength, int replyLength, bool wholeFrame)
{
    if (!statistics_)
        return;
    const long long rttUs = wholeFrame ? std::max(0LL, sleeper_.nowUs() - requestWrittenUs_) : -1;
    statistics_->recordExchange(verdict, out.status, request, requestLength, rx_.data(), replyLength,
                                requestWrittenWallUs_, rttUs);
}

void FrameExchanger::recordLate(const std::uint8_t *bytes, int length)
{
    if (statistics_)
        statistics_->recordLateBytes(bytes, length);
}

ExchangeResult FrameExchanger::run(const Plan &plan)
{
    const ExchangeProfile profile = profile_;
    const bool owedByThis = owedRequestLength_ == plan.requestLength &&
                            std::equal(tx_.begin(), tx_.begin() + plan.requestLength, owedRequest_.begin());
    if (marker_.owing() && !owedByThis)
        return markerAttempt(plan, profile);
    settleIfNeeded(plan.requestLength);
    std::copy_n(tx_.begin(), plan.requestLength, lastRequest_.begin());
    lastRequestLength_ = plan.requestLength;
    const long long budgetUs =
        attemptBudgetUs(plan.requestLength, plan.expectedLength, plan.extraWaitMs);
    lastAttemptBudgetUs_ = budgetUs;
    const long long deadlineUs = sleeper_.nowUs() + budgetUs;

    send(tx_.data(), plan.requestLength, profile);
    ReceiveResult received;
    if (profile == ExchangeProfile::Fast) {
        received = receiveWaiting(plan.expectedLength, deadlineUs);
    } else {
        sleeper_.sleepMs(plan.extraWaitMs);
        sleeper_.sleepMs(turnaroundMs_);
        received = receivePolling(plan.expectedLength, deadlineUs);
    }
    // Quiet is counted from the end of the attempt: a reply given up on
    // may still start just after it.
    lastLineActivityUs_ = std::max(lastLineActivityUs_, sleeper_.nowUs());
    return finish(plan, received);
}

ExchangeResult FrameExchanger::readRegisters(std::uint16_t start, int count,
                                             std::uint8_t *destination)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length =
        static_cast<int>(buildReadRequest(tx_.data(), node_, start, static_cast<std::uint8_t>(count)));
    return run({Kind::Read, length, readReplyLength(count), 0, destination, 2 * count});
}

ExchangeResult FrameExchanger::readTrace(std::uint8_t mode, int blocks, std::uint8_t *destination)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length = static_cast<int>(buildTraceRequest(tx_.data(), node_, mode));
    const int expected = traceReplyLength(mode, blocks);
    return run({Kind::Read, length, expected, 0, destination, expected - 4});
}

ExchangeResult FrameExchanger::writeSingle(std::uint16_t address, std::uint16_t value)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length = static_cast<int>(buildWriteSingleRequest(tx_.data(), node_, address, value));
    return run({Kind::Write, length, kWriteReplyLength, 0, nullptr, 0});
}

ExchangeResult FrameExchanger::writeMultiple(std::uint16_t start, const std::uint16_t *values,
                                             int count)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length =
        static_cast<int>(buildWriteMultipleRequest(tx_.data(), node_, start, values, count));
    return run({Kind::Write, length, kWriteReplyLength, 0, nullptr, 0});
}

ExchangeResult FrameExchanger::scatteredRead(const std::uint16_t *addresses, int byteCount,
                                             std::uint8_t *destination)
{
    std::fill_n(tx_.begin(), 64, 0);
    const int length =
        static_cast<int>(buildScatteredRequest(tx_.data(), node_, addresses, byteCount));
    return run({Kind::Scattered, length, scatteredReplyLength(byteCount),
                LineTiming::kScatteredExtra, destination, byteCount});
}

} // namespace vq::link
