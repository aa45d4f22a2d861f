// Which bounds of the range check a Write applies to a parameter: some
// parameters may be set outside their catalogue limits from the parameter
// window (their limits describe the usual range, not the drive's), either
// entirely or below their minimum. All Write checks both bounds always.
#pragma once

#include "drive/parameters/parameter_text.h"

namespace tarvex::parameters {

RangeCheck writeRangeCheck(int group, int position);

} // namespace tarvex::parameters
