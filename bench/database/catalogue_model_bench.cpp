// How long the parameter window waits for its model: for every group 0..7
// the parameter count, the first register address and the attribute list,
// read from the generated catalogue through the library, as each opening of
// the window does. Prints the median of many rounds; the target is 20 ms.
//
//   bench_catalogue_model [--quick] [catalogue]   (200 rounds, quick 20)
#include "bench/bench_run.h"
#include "vq_database.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kTargetMs = 20.0;

// One model build; returns the number of attribute records read.
int buildModel()
{
    int records = 0;
    for (int group = 0; group < 8; ++group) {
        const int count = DB_GetPrmCntInGrp(group);
        volatile int firstAddress = DB_GetFrPrmAddrInGrp(group);
        (void)firstAddress;
        if (count <= 0)
            continue;
        std::vector<ParameterAttribute> attributes(static_cast<std::size_t>(count));
        if (DB_GetParamAttr(group, attributes.data(), count))
            records += count;
    }
    return records;
}

double milliseconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char **argv)
{
    const int roundCount = tarvex::bench::takeQuickFlag(argc, argv) ? 20 : 200;
    const std::string path = argc > 1 ? argv[1] : tarvex::bench::englishCatalogue();
    if (!DB_Create())
        return tarvex::bench::cannotMeasure("the catalogue library did not start");

    const auto openStart = std::chrono::steady_clock::now();
    DB_FileOpen(CatalogueText(path.begin(), path.end()));
    const double openMs = milliseconds(std::chrono::steady_clock::now() - openStart);

    const int records = buildModel(); // warm-up, and a check that the catalogue answers
    if (records == 0) {
        DB_Destroy();
        return tarvex::bench::cannotMeasure("catalogue %s gave no parameters", path.c_str());
    }

    std::vector<double> rounds;
    rounds.reserve(static_cast<std::size_t>(roundCount));
    for (int i = 0; i < roundCount; ++i) {
        const auto start = std::chrono::steady_clock::now();
        buildModel();
        rounds.push_back(milliseconds(std::chrono::steady_clock::now() - start));
    }
    DB_Destroy();

    std::sort(rounds.begin(), rounds.end());
    const double median = rounds[rounds.size() / 2];
    std::printf("catalogue: %s\n", path.c_str());
    std::printf("open: %.3f ms\n", openMs);
    std::printf("model build (24 queries, %d records), %d rounds: median %.3f ms, min %.3f ms, max %.3f ms\n", records,
                roundCount, median, rounds.front(), rounds.back());
    std::printf("target: under %.0f ms -> %s\n", kTargetMs, median < kTargetMs ? "met" : "MISSED");
    return 0;
}
