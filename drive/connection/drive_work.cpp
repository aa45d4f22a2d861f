#include "drive/connection/drive_work.h"

#include <algorithm>

namespace tarvex {

void DriveWork::setSteps(int steps)
{
    steps_ = std::max(steps, 0);
    current_ = std::min(current_, steps_);
    changed();
}

void DriveWork::beginStep(std::string caption)
{
    // A step beyond the plan (a check's extra read) keeps the bar full
    // instead of running past its end.
    current_ = std::min(current_ + 1, std::max(steps_, 1));
    caption_ = std::move(caption);
    changed();
}

void DriveWork::requestCancel()
{
    if (cancelled_.exchange(true))
        return;
    changed();
}

void DriveWork::changed() const
{
    if (listener_)
        listener_();
}

} // namespace tarvex
