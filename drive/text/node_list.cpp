#include "drive/text/node_list.h"

#include "drive/text/number_text.h"

#include <algorithm>

namespace tarvex {

namespace {

std::optional<int> nodeNumber(std::string_view text, int min, int max)
{
    // A sign has no place in an address ("-3" would read as a range end).
    if (text.empty() || text.find_first_of("+-") != std::string_view::npos)
        return std::nullopt;
    const std::optional<std::int64_t> value = strictDecimal(text);
    if (!value || *value < min || *value > max)
        return std::nullopt;
    return static_cast<int>(*value);
}

} // namespace

std::optional<std::vector<std::uint8_t>> parseNodeList(std::string_view text, int min, int max)
{
    std::vector<std::uint8_t> nodes;
    if (min < 0 || max > 255 || min > max || text.size() > 1024)
        return std::nullopt;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string_view piece = text.substr(start, comma - start);
        const std::size_t dash = piece.find('-');
        const std::optional<int> first = nodeNumber(piece.substr(0, dash), min, max);
        const std::optional<int> last =
            dash == std::string_view::npos ? first : nodeNumber(piece.substr(dash + 1), min, max);
        if (!first || !last || *last < *first)
            return std::nullopt;
        for (int node = *first; node <= *last; ++node) {
            if (std::find(nodes.begin(), nodes.end(), node) != nodes.end())
                return std::nullopt;
            nodes.push_back(static_cast<std::uint8_t>(node));
        }
        start = comma + 1;
    }
    return nodes;
}

} // namespace tarvex
