// The drive quantities a graph channel can show, the codes the drive knows
// them by, and the trigger sources and edges of a triggered capture.
#pragma once

#include <array>
#include <string_view>

namespace tarvex::graphs {

inline constexpr int kChannelEntries = 17;
inline constexpr int kChannels = 4;

// List entries in order; the drive code is the index for 0 to 7 and the
// index plus 3 from 8 on (codes 8 to 10 are never sent).
inline constexpr std::array<std::string_view, kChannelEntries> kChannelNames = {
    "Not Use",
    "Current Speed[rpm]",
    "Command Speed[rpm]",
    "OverLoad Rate[%]",
    "current Torque[%]",
    "Command Torque[%]",
    "Torque Limit[%]",
    "DC Link Voltage[v]",
    "SVON(Digital Input)",
    "POT(Digital Input)",
    "NOT(Digital Input)",
    "HOME(Digital Input)",
    "ALARM(Digital Output)",
    "HWBB(Digital Output)",
    "BREAK(Digital Output)",
    "INSPD(Digital Output)",
    "INPOS(Digital Output)",
};

inline constexpr int kNotUsed = 0;
// The DC-link voltage arrives in 0.1 V and is shown in volts.
inline constexpr int kDcLinkIndex = 7;

constexpr int channelCode(int index) { return index >= 8 ? index + 3 : index; }

inline constexpr std::array<std::string_view, kChannelEntries> kTriggerSourceNames = {
    "Current Speed", "Command Speed", "Input Pulse Frequency", "Current Torque", "Command Torque",
    "Torque Limit",  "DC Link Voltage", "Servo On",          "Speed 1",         "Speed 2",
    "Speed 3",       "Direction",       "In Speed",          "In Position",     "Torque Limit Output",
    "Alarm",         "  ",
};

// Index plus 1 for 0 to 6, index plus 4 from 7 on.
constexpr int triggerSourceCode(int index) { return index >= 7 ? index + 4 : index + 1; }

inline constexpr std::array<std::string_view, 2> kEdgeNames = {"Positive", "Negative"};

// Valid list index or 0 for anything out of range (a file may hold any number).
constexpr int clampListIndex(int index, int entries) { return index >= 0 && index < entries ? index : 0; }

} // namespace tarvex::graphs
