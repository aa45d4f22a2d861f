// Lists of node addresses as typed on a command line: single numbers and
// ranges joined by commas ("1,2,3", "0-31", "1-3,7"). Every station on a
// shared line has one address, so a list naming one twice is refused rather
// than asking that drive twice.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarvex {

// The nodes in the order given; nullopt when any piece is not a whole
// number within [min, max], a range runs backwards or a node repeats.
std::optional<std::vector<std::uint8_t>> parseNodeList(std::string_view text, int min, int max);

} // namespace tarvex
