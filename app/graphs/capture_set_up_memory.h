// What a capture window was last set up with (its four channels, its
// sampling period and its axis limits), kept across runs so that the
// window opens as the user left it. Values read back are bounded: the
// channels by the lists, the period by the caller, the limits as a file's.
#pragma once

#include "drive/capture/channel_scaling.h"
#include "drive/capture/graph_file.h"

#include <array>
#include <optional>

namespace tarvex::graphs {

struct CaptureSetUp {
    std::array<int, 4> channels{};
    int period = 0;
    ChannelLimits limits = kDefaultLimits;
};

std::optional<CaptureSetUp> rememberedSetUp(GraphKind kind);
void rememberSetUp(GraphKind kind, const CaptureSetUp &setUp);

} // namespace tarvex::graphs
