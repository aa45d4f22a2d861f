#include "drive/connection/motion_tools.h"

#include <algorithm>

namespace tarvex {

void MotionTools::add(MotionTool &tool)
{
    if (std::find(tools_.begin(), tools_.end(), &tool) == tools_.end())
        tools_.push_back(&tool);
}

void MotionTools::remove(MotionTool &tool) { std::erase(tools_, &tool); }

std::int32_t MotionTools::openToolCode(const MotionTool *except) const
{
    for (const MotionTool *tool : tools_) {
        if (tool != except && tool->motionWindowOpen())
            return tool->motionFeatureCode();
    }
    return 0;
}

void MotionToolRegistration::registerWith(MotionTools &tools)
{
    if (tools_ == &tools)
        return;
    withdraw();
    tools_ = &tools;
    tools_->add(tool_);
}

void MotionToolRegistration::withdraw()
{
    if (tools_)
        tools_->remove(tool_);
    tools_ = nullptr;
}

} // namespace tarvex
