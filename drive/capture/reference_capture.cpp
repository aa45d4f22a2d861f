#include "drive/capture/reference_capture.h"

#include "drive/capture/channel_catalog.h"

#include <algorithm>
#include <cctype>

namespace tarvex::graphs {

std::optional<GraphKind> graphKindOfPath(const std::string &path)
{
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos)
        return std::nullopt;
    std::string suffix = path.substr(dot + 1);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    if (suffix == "mdg")
        return GraphKind::Trace;
    if (suffix == "mtg")
        return GraphKind::Trigger;
    if (suffix == "mag")
        return GraphKind::AlarmGraph;
    return std::nullopt;
}

ReferenceCapture referenceOf(GraphKind kind, const GraphFileContents &contents)
{
    ReferenceCapture reference;
    const ChannelLimits limits = boundedLimits(contents.limits);
    for (std::size_t c = 0; c < 4; ++c) {
        const int index = contents.listIndices[c];
        if (index <= kNotUsed || index >= kChannelEntries)
            continue;
        reference.channelNames[c] = std::string(kChannelNames[static_cast<std::size_t>(index)]);
        for (int sample : contents.samples[c]) {
            const bool mapped = kind == GraphKind::Trace && c > 0;
            reference.physical[c].push_back(
                mapped ? static_cast<double>(plottedToPhysical(static_cast<float>(sample), limits[c], limits[0]))
                       : static_cast<double>(sample));
        }
    }
    return reference;
}

} // namespace tarvex::graphs
