#include "link/src/link_statistics.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>

namespace vq::link {

namespace {

std::uint16_t keptLength(int length)
{
    return static_cast<std::uint16_t>(std::clamp(length, 0, VQ_FRAME_BYTES));
}

// The nearest-rank percentile of sorted values.
std::uint32_t percentile(const std::vector<std::uint32_t> &sorted, unsigned percent)
{
    const std::size_t rank = (sorted.size() * percent + 99) / 100;
    return sorted[std::max<std::size_t>(rank, 1) - 1];
}

} // namespace

LinkStatistics::LinkStatistics() : log_(VQ_FRAME_LOG_ENTRIES) { reset(); }

long long LinkStatistics::wallClockUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void LinkStatistics::reset()
{
    std::lock_guard lock(mutex_);
    counts_ = {};
    counts_.size = sizeof counts_;
    rttNext_ = 0;
    rttCount_ = 0;
}

VQFrameLogEntry &LinkStatistics::nextEntry()
{
    ++lastSequence_;
    VQFrameLogEntry &entry = log_[static_cast<std::size_t>((lastSequence_ - 1) % log_.size())];
    std::memset(&entry, 0, sizeof entry);
    entry.sequence = lastSequence_;
    return entry;
}

void LinkStatistics::countVerdict(std::uint8_t verdict, std::uint8_t status)
{
    switch (verdict) {
    case VQ_VERDICT_ACCEPTED: ++counts_.accepted; break;
    case VQ_VERDICT_NOT_READY: ++counts_.notReady; break;
    case VQ_VERDICT_NO_REPLY: ++counts_.noReply; break;
    case VQ_VERDICT_BAD_CRC: ++counts_.badCrc; break;
    case VQ_VERDICT_OTHER_NODE: ++counts_.otherNode; break;
    case VQ_VERDICT_FOREIGN_REPLY: ++counts_.foreignReply; break;
    case VQ_VERDICT_LATE_REPLY: ++counts_.lateReply; break;
    case VQ_VERDICT_EXCEPTION:
        ++counts_.exceptionReply;
        if (status < VQ_EXCEPTION_CODES)
            ++counts_.exceptionByCode[status];
        break;
    case VQ_VERDICT_CUT_SHORT: ++counts_.cutShort; break;
    case VQ_VERDICT_MARKER: ++counts_.markers; break;
    default: ++counts_.lineError; break;
    }
}

void LinkStatistics::recordExchange(std::uint8_t verdict, std::uint8_t status,
                                    const std::uint8_t *request, int requestLength,
                                    const std::uint8_t *reply, int replyLength,
                                    long long requestTimeUs, long long rttUs)
{
    const long long now = wallClockUs();
    std::lock_guard lock(mutex_);
    ++counts_.exchanges;
    countVerdict(verdict, status);
    if (rttUs >= 0) {
        rtt_[rttNext_] = static_cast<std::uint32_t>(
            std::min<long long>(rttUs, std::numeric_limits<std::uint32_t>::max()));
        rttNext_ = (rttNext_ + 1) % rtt_.size();
        rttCount_ = std::min(rttCount_ + 1, rtt_.size());
    }
    VQFrameLogEntry &entry = nextEntry();
    entry.verdict = verdict;
    entry.status = status;
    entry.requestTimeUs = requestTimeUs;
    entry.replyTimeUs = now;
    if (request) {
        entry.requestLength = keptLength(requestLength);
        std::memcpy(entry.request, request, entry.requestLength);
    }
    if (reply) {
        entry.replyLength = keptLength(replyLength);
        std::memcpy(entry.reply, reply, entry.replyLength);
    }
}

void LinkStatistics::recordLateBytes(const std::uint8_t *bytes, int length)
{
    const long long now = wallClockUs();
    std::lock_guard lock(mutex_);
    countVerdict(VQ_VERDICT_LATE_REPLY, 0);
    VQFrameLogEntry &entry = nextEntry();
    entry.verdict = VQ_VERDICT_LATE_REPLY;
    entry.replyTimeUs = now;
    entry.replyLength = keptLength(length);
    if (bytes)
        std::memcpy(entry.reply, bytes, entry.replyLength);
}

void LinkStatistics::recordOperation(int exchanges)
{
    if (exchanges <= 0)
        return;
    std::lock_guard lock(mutex_);
    ++counts_.operations;
    counts_.retries += static_cast<std::uint64_t>(exchanges - 1);
}

VQLinkStatistics LinkStatistics::snapshot() const
{
    VQLinkStatistics out;
    std::vector<std::uint32_t> times;
    {
        std::lock_guard lock(mutex_);
        out = counts_;
        times.assign(rtt_.begin(), rtt_.begin() + static_cast<std::ptrdiff_t>(rttCount_));
    }
    // Sorted outside the lock: the exchanges never wait for a reader.
    out.rttCount = static_cast<std::uint32_t>(times.size());
    if (!times.empty()) {
        std::sort(times.begin(), times.end());
        out.rttMinUs = times.front();
        out.rttMedianUs = percentile(times, 50);
        out.rttP99Us = percentile(times, 99);
        out.rttMaxUs = times.back();
    }
    return out;
}

int LinkStatistics::readLog(std::uint64_t after, VQFrameLogEntry *entries, int capacity) const
{
    if (!entries || capacity <= 0)
        return 0;
    std::lock_guard lock(mutex_);
    if (after >= lastSequence_)
        return 0;
    const std::uint64_t kept = std::min<std::uint64_t>(lastSequence_, log_.size());
    const std::uint64_t oldest = lastSequence_ - kept + 1;
    std::uint64_t from = std::max(after + 1, oldest);
    int copied = 0;
    for (; from <= lastSequence_ && copied < capacity; ++from, ++copied)
        entries[copied] = log_[static_cast<std::size_t>((from - 1) % log_.size())];
    return copied;
}

} // namespace vq::link
