#include "drive/firmware/download_progress.h"

namespace upgrader {

double progressAfterRow(int rowIndex, double current)
{
    constexpr double kRows = 1536.0;
    if (current <= 70.0) {
        const double sum = static_cast<double>(rowIndex) * (rowIndex + 1) / 2.0;
        return sum / kRows * 100.0;
    }
    const double x = rowIndex / kRows * 100.0;
    const double candidate = static_cast<int>(x) >= current ? x : current;
    return candidate <= 97.0 ? candidate + 0.25 : candidate;
}

} // namespace upgrader
