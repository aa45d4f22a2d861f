// The link's statistics and frame log as people read them: the rows the
// Link Statistics pane and m9ctl --stats show, and the text a saved frame
// log holds (one line per request and one per reply, time-stamped in UTC,
// the bytes in hexadecimal, each reply with its verdict).
#pragma once

#include "drive/connection/link_library.h"
#include "vq_communication.h"

#include <string>
#include <utility>
#include <vector>

namespace tarvex {

struct StatisticsRow {
    std::string label;
    std::string value;
};

std::vector<StatisticsRow> statisticsRows(const VQLinkStatistics &statistics);

// The frame log the library keeps, oldest first, from the entry after
// `after` on (empty without one).
std::vector<VQFrameLogEntry> readFrameLog(const LinkLibrary &link, std::uint64_t after = 0);

// What became of an exchange, in words ("no reply", "bad CRC", ...).
std::string verdictText(std::uint8_t verdict);

std::string frameLogText(const std::vector<VQFrameLogEntry> &entries);

} // namespace tarvex
