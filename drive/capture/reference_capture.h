// A saved capture (trace, trigger or alarm graph file) read back as the
// faded reference behind a live capture: each channel in its own physical
// units, whatever axis limits it was saved with, so that it can be drawn on
// the axes the window has now.
#pragma once

#include "drive/capture/graph_file.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tarvex::graphs {

struct ReferenceCapture {
    std::array<std::string, 4> channelNames; // empty for "Not Use"
    std::array<std::vector<double>, 4> physical;
};

// The kind of a graph file by its name's extension (.mdg, .mtg, .mag).
std::optional<GraphKind> graphKindOfPath(const std::string &path);

// The samples of a file read as `kind`: a trace file holds channels 2 to 4
// mapped into channel 1's range by its own limits and is mapped back; the
// captures hold display samples already. List indices out of the lists'
// range count as "Not Use".
ReferenceCapture referenceOf(GraphKind kind, const GraphFileContents &contents);

} // namespace tarvex::graphs
