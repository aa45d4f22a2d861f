// The eight parameter groups as the window knows them: their tab texts and
// the messages of their block reads and writes. Group 6 (factory settings)
// is hidden while the drive connection's factory-group switch is set.
#pragma once

#include "drive/parameters/model/parameter_display.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tarvex::parameters {

inline constexpr int kGroupCount = kGroups;

// A group is read in one block read and written in one block write; the
// write request (7 bytes of header and CRC around the data) is the tighter
// of the two in the link's 257-byte frame buffer.
inline constexpr int kMaxGroupRegisters = 124;
// The drive's scattered read carries at most 126 addresses.
inline constexpr int kMaxScatteredRegisters = 126;

struct GroupTexts {
    const char *tab;
    const char *readError;
    const char *writeError; // nullptr: the group is never written
};

inline constexpr std::array<GroupTexts, kGroupCount> kGroupTexts{{
    {"Status", "Status Read Error", nullptr},
    {"System", "System Read Error", "System Write Error"},
    {"Control", "Control Read Error", "Contorl Write Error"},
    {"In/Out", "In/Out Read Error", "In/Out Write Error"},
    {"SpeedOperation", "Speed Read Error", "Speed Write Error"},
    {"PositionOperation", "Position Read Error", "Position Write Error"},
    {"FactorySetting", "Factory Read Error", "Factory Write Error"},
    {"Fullclosed", "Fullclosed Read Error", "Fullclosed Write Error"},
}};

inline bool isValidGroup(int group) { return group >= 0 && group < kGroupCount; }

// Groups in the order of the reads (0 to 7) with the factory group only when shown.
inline std::vector<int> readOrder(bool factoryShown)
{
    std::vector<int> order;
    for (int g = 0; g < kGroupCount; ++g)
        if (g != kGroupFactory || factoryShown)
            order.push_back(g);
    return order;
}

// The settings groups in the order All Write sends them.
inline std::vector<int> writeOrder(bool factoryShown)
{
    std::vector<int> order;
    for (int g = 1; g < kGroupCount; ++g)
        if (g != kGroupFactory || factoryShown)
            order.push_back(g);
    return order;
}

// Tabs in order; with the factory group hidden the seventh tab is "Fullclosed".
inline std::vector<int> tabGroups(bool factoryShown) { return readOrder(factoryShown); }

// Registers a parameter occupies: two for a 32-bit value, one for anything
// else (a damaged width byte is not trusted to size a block).
inline int registersOf(std::uint8_t bitType) { return bitType == 2 ? 2 : 1; }

} // namespace tarvex::parameters
