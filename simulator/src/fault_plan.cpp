#include "simulator/src/fault_plan.h"

#include "link/crc16.h"
#include "link/modbus_frame.h"

#include <cstdio>

namespace vq::sim {

std::string FaultPlan::describe() const
{
    char late[64];
    if (lateExceptionCode >= 0)
        std::snprintf(late, sizeof late, "%s, exception %d", lateKeepsEvery ? ", keep" : "",
                      lateExceptionCode);
    else
        std::snprintf(late, sizeof late, "%s", lateKeepsEvery ? ", keep" : "");
    char text[400];
    std::snprintf(text, sizeof text,
                  "drop %d, badcrc %d, cut %d after %d bytes, othernode %d, delay %d by %d ms, "
                  "exception %d of code %d, late %d ms%s, %s, boot loader %s",
                  dropReplies, corruptCrcReplies, cutReplies, cutKeepBytes, otherNodeReplies, lateReplies,
                  lateRepliesMs, exceptionReplies, exceptionRepliesCode, lateMs, late,
                  silent ? "silent" : "answering", bootSilent ? "silent" : "answering");
    return text;
}

ReplyFate applyReplyFaults(FaultPlan &plan, std::vector<std::uint8_t> &reply)
{
    ReplyFate fate;
    fate.delayMs = plan.lateMs;
    if (plan.lateReplies > 0) {
        --plan.lateReplies;
        fate.delayMs += plan.lateRepliesMs;
        fate.kept = true;
    }
    if (plan.dropReplies > 0) {
        --plan.dropReplies;
        fate.send = false;
        return fate;
    }
    if (reply.size() < 3)
        return fate;
    if (plan.exceptionReplies > 0) {
        --plan.exceptionReplies;
        const std::uint8_t function = static_cast<std::uint8_t>(reply[1] | modbus::kExceptionBit);
        reply = {reply[0], function, static_cast<std::uint8_t>(plan.exceptionRepliesCode), 0, 0};
        modbus::appendCrc(reply.data(), 3);
    } else if (plan.lateExceptionCode >= 0) {
        const std::uint8_t function = static_cast<std::uint8_t>(reply[1] | modbus::kExceptionBit);
        reply = {reply[0], function, static_cast<std::uint8_t>(plan.lateExceptionCode), 0, 0};
        modbus::appendCrc(reply.data(), 3);
    }
    if (plan.otherNodeReplies > 0) {
        --plan.otherNodeReplies;
        reply[0] = static_cast<std::uint8_t>(reply[0] + 1);
        const std::size_t body = reply.size() - 2;
        modbus::appendCrc(reply.data(), body); // a proper frame, from the wrong node
    }
    if (plan.corruptCrcReplies > 0) {
        --plan.corruptCrcReplies;
        reply[reply.size() - 1] ^= 0x5A;
    }
    if (plan.cutReplies > 0) {
        --plan.cutReplies;
        if (static_cast<std::size_t>(plan.cutKeepBytes) < reply.size())
            reply.resize(static_cast<std::size_t>(plan.cutKeepBytes < 0 ? 0 : plan.cutKeepBytes));
    }
    return fate;
}

} // namespace vq::sim
