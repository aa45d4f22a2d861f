// What the link has seen since it was last opened: exchanges, retries, each
// failure kind, the round-trip times of the last exchanges, and the frame log
// of the last exchanges' bytes with their verdicts.
//
// The exchanges record here under the library lock, but readers (a window's
// refresh, m9ctl at the end) must never wait for an exchange that takes
// seconds: this keeps a lock of its own, held only to count or to copy.
#pragma once

#include "vq_communication.h"

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

namespace vq::link {

class LinkStatistics {
public:
    LinkStatistics();

    // One exchange's end. `rttUs` is negative when no whole frame came back.
    // `request` may be null for bytes that came with no request (a late reply).
    void recordExchange(std::uint8_t verdict, std::uint8_t status, const std::uint8_t *request,
                        int requestLength, const std::uint8_t *reply, int replyLength,
                        long long requestTimeUs, long long rttUs);
    // Bytes that came while no attempt waited for them.
    void recordLateBytes(const std::uint8_t *bytes, int length);
    // One register operation's end, with how many exchanges it ran.
    void recordOperation(int exchanges);

    void reset();
    VQLinkStatistics snapshot() const;
    // Entries with a sequence above `after`, oldest first, at most `capacity`.
    int readLog(std::uint64_t after, VQFrameLogEntry *entries, int capacity) const;

    // The wall clock the log's time stamps use.
    static long long wallClockUs();

private:
    void countVerdict(std::uint8_t verdict, std::uint8_t status);
    VQFrameLogEntry &nextEntry();

    mutable std::mutex mutex_;
    VQLinkStatistics counts_{};
    std::array<std::uint32_t, VQ_RTT_WINDOW> rtt_{};
    std::size_t rttNext_ = 0;
    std::size_t rttCount_ = 0;
    std::vector<VQFrameLogEntry> log_; // a ring of VQ_FRAME_LOG_ENTRIES
    std::uint64_t lastSequence_ = 0;
};

} // namespace vq::link
