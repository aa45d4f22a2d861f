// Faults on demand for reliability tests: what happens to the drive's next
// replies. Counted faults act on that many replies and then wear off; the
// delay (with its modes) and the silence last until switched off.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vq::sim {

struct FaultPlan {
    int dropReplies = 0;      // processed, but the reply never leaves
    int corruptCrcReplies = 0;
    int cutReplies = 0;       // sent only up to cutKeepBytes
    int cutKeepBytes = 0;
    int otherNodeReplies = 0; // answered with another node address
    int lateReplies = 0;      // sent lateRepliesMs late, none giving way to the next request
    int lateRepliesMs = 0;
    int exceptionReplies = 0; // answered with exceptionRepliesCode instead
    int exceptionRepliesCode = 0;
    int lateMs = 0;           // every reply delayed by this much
    // A delayed reply normally gives way to the next request, as on a
    // half-duplex line; kept, every request is answered in turn, as a drive
    // on a full-duplex line does.
    bool lateKeepsEvery = false;
    int lateExceptionCode = -1; // 0 to 255: every reply is this exception instead
    bool silent = false;      // cable pulled: nothing is received or sent

    // Boot loader faults.
    bool bootSilent = false;

    std::string describe() const;
};

// What to do with one reply: whether to send it at all, and with what delay.
struct ReplyFate {
    bool send = true;
    int delayMs = 0;
    bool kept = false; // sent however many requests follow
};

// Applies the plan to a Modbus reply (a frame with its CRC), using up one
// count of each counted fault that acts on it.
ReplyFate applyReplyFaults(FaultPlan &plan, std::vector<std::uint8_t> &reply);

} // namespace vq::sim
