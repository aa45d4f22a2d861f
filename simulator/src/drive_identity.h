// What a drive tells about itself: its variant and version number (register
// 62) and its four-character firmware text (registers 4174 and 4176).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vq::sim {

struct DriveIdentity {
    bool variantB = false;  // bit 15: 0 "A", 1 "B"
    int versionHundredths = 27; // bits 14..5: version x 100, 0..1023
    int subVersion = 3;     // bits 4..0, 0..31
    std::string firmwareText = "0132";

    std::uint16_t versionWord() const
    {
        return static_cast<std::uint16_t>((variantB ? 0x8000u : 0u) |
                                          ((static_cast<unsigned>(versionHundredths) & 0x3FFu) << 5) |
                                          (static_cast<unsigned>(subVersion) & 0x1Fu));
    }
};

// Parses a version such as "A0.27.3" or "B1.05.0" (letter, version with two
// decimals, sub-version). Returns nothing for a text of another form or out
// of range values.
std::optional<DriveIdentity> parseVersion(const std::string &text, const DriveIdentity &base);

} // namespace vq::sim
