// Several drives on one line: "params save" of nodes 1, 2 and 3 sharing one
// paced line at 19200 baud, one after another, against node 1 alone on a
// line of its own (target: at most 3.1 x the one drive; the nodes share the
// port, the libraries and the catalogue, so only their exchanges add up).
//
//   m9ctl_bus_bench [--quick] [rounds]   (best of 3, quick 1)
#include "bench/bench_run.h"
#include "simulator/src/catalogue_defaults.h"
#include "simulator/src/virtual_drive.h"
#include "tests/m9ctl/program_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds of the best round, or -1 when m9ctl failed or a node's file
// is missing.
double saveMs(const std::string &device, const std::vector<int> &nodes, const std::string &dir, int rounds)
{
    std::vector<std::string> args{"--port", device};
    for (const int node : nodes)
        args.insert(args.end(), {"--node", std::to_string(node)});
    args.insert(args.end(), {"params", "save", "set-{node}.mpa"});
    double best = 1e12;
    for (int r = 0; r < rounds; ++r) {
        for (const int node : nodes)
            std::filesystem::remove(dir + "/set-" + std::to_string(node) + ".mpa");
        const auto start = Clock::now();
        const m9test::Outcome result = m9test::runProgram(tarvex::bench::runFile("m9ctl"), args, dir);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (result.code != 0) {
            std::fprintf(stderr, "m9ctl params save exited with %d: %s", result.code, result.err.c_str());
            return -1;
        }
        for (const int node : nodes) {
            std::error_code missing;
            const auto size = std::filesystem::file_size(dir + "/set-" + std::to_string(node) + ".mpa", missing);
            if (missing || size == 0)
                return -1;
        }
        best = std::min(best, ms);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    using tarvex::bench::cannotMeasure;
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : quick ? 1 : 3;
    vq::sim::CatalogueDefaults defaults;
    std::string error;
    if (!vq::sim::loadCatalogueDefaults(tarvex::bench::englishCatalogue(), defaults, error))
        return cannotMeasure("the catalogue did not load: %s", error.c_str());

    vq::sim::DriveOptions alone;
    alone.paced = true;
    alone.node = 1;
    vq::sim::DriveOptions shared = alone;
    shared.otherNodes = {2, 3};
    vq::sim::VirtualDrive single(alone, defaults), line(shared, defaults);
    if (!single.start(error) || !line.start(error))
        return cannotMeasure("the virtual drive did not start: %s", error.c_str());
    const std::string dir = std::filesystem::temp_directory_path() / ("m9ctl_bus_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

    const double one = saveMs(single.devicePath(), {1}, dir, rounds);
    const double three = saveMs(line.devicePath(), {1, 2, 3}, dir, rounds);
    std::filesystem::remove_all(dir);
    single.stop();
    line.stop();
    if (one < 0 || three < 0)
        return cannotMeasure("an m9ctl params save failed or left a node without its file");

    std::printf("params save over a paced line at 19200 baud, best of %d\n", rounds);
    std::printf("%-34s %8.0f ms\n", "one drive (node 1)", one);
    std::printf("%-34s %8.0f ms\n", "three drives on one line (1,2,3)", three);
    std::printf("%-34s %8.2fx of one drive (target at most 3.10)\n", "ratio", three / one);
    return 0;
}
