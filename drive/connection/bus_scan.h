// Which drives answer on the open line: each node asked for its firmware
// text in turn, with only the link's quick read (two attempts), so that a
// node nobody answers for costs under a second. The link is left
// addressing the node it addressed before.
#pragma once

#include "drive/connection/drive_connection.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarvex {

struct FoundDrive {
    std::uint8_t node = 0;
    std::string firmware; // the four characters of its version registers
};

// Nodes a scan asks when none are named: the usual span of station numbers.
inline constexpr int kScanFirstNode = 0;
inline constexpr int kScanLastNode = 31;

// Asks every node of `nodes` in order; `goOn` is called before each with
// the number asked so far and ends the scan when it returns false. Nothing
// is asked when the link is closed.
std::vector<FoundDrive> scanBus(DriveConnection &drive, const std::vector<std::uint8_t> &nodes,
                                const std::function<bool(std::size_t asked)> &goOn = {});

} // namespace tarvex
