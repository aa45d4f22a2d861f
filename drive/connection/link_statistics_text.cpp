#include "drive/connection/link_statistics_text.h"

#include "drive/text/number_text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace tarvex {

namespace {

std::string count(std::uint64_t n) { return std::to_string(n); }

std::string milliseconds(std::uint32_t microseconds)
{
    return fixedText(static_cast<double>(microseconds) / 1000.0, 1) + " ms";
}

std::string exceptionValue(const VQLinkStatistics &s)
{
    std::string codes;
    for (int code = 1; code < VQ_EXCEPTION_CODES; ++code) {
        if (s.exceptionByCode[code] == 0)
            continue;
        codes += (codes.empty() ? "" : ", ") + ("code " + std::to_string(code) + ": " + count(s.exceptionByCode[code]));
    }
    return codes.empty() ? count(s.exceptionReply) : count(s.exceptionReply) + " (" + codes + ")";
}

std::string utcTime(long long microseconds)
{
    const std::time_t seconds = static_cast<std::time_t>(microseconds / 1000000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(microseconds % 1000000));
    return text;
}

std::string hexBytes(const std::uint8_t *bytes, int length)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < length; ++i) {
        if (i)
            text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

} // namespace

std::vector<StatisticsRow> statisticsRows(const VQLinkStatistics &s)
{
    std::string roundTrip = "none yet";
    if (s.rttCount > 0)
        roundTrip = "min " + milliseconds(s.rttMinUs) + ", median " + milliseconds(s.rttMedianUs) + ", 99th " +
                    milliseconds(s.rttP99Us) + ", max " + milliseconds(s.rttMaxUs) + " (last " +
                    std::to_string(s.rttCount) + ")";
    return {
        {"Operations", count(s.operations)},
        {"Exchanges", count(s.exchanges)},
        {"Retries", count(s.retries)},
        {"Accepted", count(s.accepted)},
        {"No reply", count(s.noReply)},
        {"Bad CRC", count(s.badCrc)},
        {"Other node", count(s.otherNode)},
        {"Foreign reply", count(s.foreignReply)},
        {"Late reply", count(s.lateReply)},
        {"Exception", exceptionValue(s)},
        {"Cut short", count(s.cutShort)},
        {"Line error", count(s.lineError)},
        {"Trace not ready", count(s.notReady)},
        {"Markers", count(s.markers)},
        {"Round trip", roundTrip},
    };
}

std::vector<VQFrameLogEntry> readFrameLog(const LinkLibrary &link, std::uint64_t after)
{
    std::vector<VQFrameLogEntry> all;
    if (!link.hasFrameLog())
        return all;
    // In small pieces, so that the library's lock is never held for long.
    std::vector<VQFrameLogEntry> piece(100);
    while (all.size() < VQ_FRAME_LOG_ENTRIES) {
        const std::int32_t n = link.ReadFrameLog(after, piece.data(), static_cast<std::int32_t>(piece.size()));
        if (n <= 0 || n > static_cast<std::int32_t>(piece.size()))
            break;
        all.insert(all.end(), piece.begin(), piece.begin() + n);
        after = all.back().sequence;
    }
    return all;
}

std::string verdictText(std::uint8_t verdict)
{
    switch (verdict) {
    case VQ_VERDICT_ACCEPTED: return "accepted";
    case VQ_VERDICT_NOT_READY: return "not ready";
    case VQ_VERDICT_NO_REPLY: return "no reply";
    case VQ_VERDICT_BAD_CRC: return "bad CRC";
    case VQ_VERDICT_OTHER_NODE: return "other node";
    case VQ_VERDICT_FOREIGN_REPLY: return "foreign reply";
    case VQ_VERDICT_LATE_REPLY: return "late reply";
    case VQ_VERDICT_EXCEPTION: return "exception";
    case VQ_VERDICT_CUT_SHORT: return "cut short";
    case VQ_VERDICT_LINE_ERROR: return "line error";
    case VQ_VERDICT_MARKER: return "marker answered";
    default: return "verdict " + std::to_string(verdict);
    }
}

std::string frameLogText(const std::vector<VQFrameLogEntry> &entries)
{
    std::string text = "# Link frame log: " + std::to_string(entries.size()) +
                       " exchanges, times in UTC, bytes in hexadecimal\n";
    for (const VQFrameLogEntry &e : entries) {
        const int requestLength = std::min<int>(e.requestLength, VQ_FRAME_BYTES);
        const int replyLength = std::min<int>(e.replyLength, VQ_FRAME_BYTES);
        if (requestLength > 0)
            text += utcTime(e.requestTimeUs) + " request " + hexBytes(e.request, requestLength) + "\n";
        text += utcTime(e.replyTimeUs) + " reply   " + (replyLength > 0 ? hexBytes(e.reply, replyLength) : "-") +
                " : " + verdictText(e.verdict) + ", status " + std::to_string(e.status) + "\n";
    }
    return text;
}

} // namespace tarvex
