#include "drive/connection/motion_rest.h"

#include <algorithm>
#include <vector>

namespace tarvex {

bool MotionRest::bringToRest(MotionTool &tool)
{
    if (!tool.holdsMotion())
        return true;
    if (!linkOpen()) {
        messages_.show(kMotionMayGoOn, kMotionStopNotSent);
        return false;
    }
    if (tool.bringToRest())
        return true;
    messages_.show(kMotionMayGoOn, linkOpen() ? kMotionStopRefused : kMotionStopNotSent);
    return false;
}

bool MotionRest::bringAllToRest(const MotionTool *except)
{
    bool allAtRest = true;
    // A copy: a tool's stop may show a box, inside which windows come and go.
    const std::vector<MotionTool *> tools = tools_.all();
    for (MotionTool *tool : tools) {
        if (tool != except && !bringToRest(*tool))
            allAtRest = false;
    }
    return allAtRest;
}

bool MotionRest::anyHeld() const
{
    const auto &tools = tools_.all();
    return std::any_of(tools.begin(), tools.end(), [](const MotionTool *tool) { return tool->holdsMotion(); });
}

} // namespace tarvex
