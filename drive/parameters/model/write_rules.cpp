#include "drive/parameters/model/write_rules.h"

namespace tarvex::parameters {

RangeCheck writeRangeCheck(int group, int k)
{
    switch (group) {
    case 1:
        if (k == 6 || k == 17)
            return {false, false};
        break;
    case 4:
        if (k == 11)
            return {false, true};
        break;
    case 5:
    case 7:
        if (k == 9 || k == 12 || k == 14)
            return {false, true};
        break;
    default:
        break;
    }
    return {true, true};
}

} // namespace tarvex::parameters
