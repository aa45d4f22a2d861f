// Several drives on one line: "params save" of nodes 1, 2 and 3 sharing one
// paced line at 19200 baud, one after another, against node 1 alone on a
// line of its own (target: at most 3.1 x the one drive; the nodes share the
// port, the libraries and the catalogue, so only their exchanges add up).
//
//   m9ctl_bus_bench [--quick] [rounds]   (best of 3, quick 1)
#include "bench/m9ctl/m9ctl_bench_run.h"
#include "simulator/src/virtual_drive.h"

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

// Milliseconds of the best round, or -1 when m9ctl failed or a node's file
// is missing.
double saveMs(const tarvex::bench::M9ctlBench &bench, const std::string &device, const std::vector<int> &nodes)
{
    std::vector<std::string> args{"--port", device};
    for (const int node : nodes)
        args.insert(args.end(), {"--node", std::to_string(node)});
    args.insert(args.end(), {"params", "save", "set-{node}.mpa"});
    const auto fileOf = [&](int node) { return bench.file("set-" + std::to_string(node) + ".mpa"); };
    double best = 1e12;
    for (int r = 0; r < bench.rounds; ++r) {
        for (const int node : nodes)
            std::filesystem::remove(fileOf(node));
        const double ms = bench.timedRun(args);
        if (ms < 0)
            return -1;
        for (const int node : nodes) {
            std::error_code missing;
            const auto size = std::filesystem::file_size(fileOf(node), missing);
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
    const tarvex::bench::M9ctlBench bench(argc, argv, "m9ctl_bus_bench");
    if (!bench.problem.empty())
        return cannotMeasure("%s", bench.problem.c_str());
    std::string error;

    vq::sim::DriveOptions alone;
    alone.paced = true;
    alone.node = 1;
    vq::sim::DriveOptions shared = alone;
    shared.otherNodes = {2, 3};
    vq::sim::VirtualDrive single(alone, bench.defaults), line(shared, bench.defaults);
    if (!single.start(error) || !line.start(error))
        return cannotMeasure("the virtual drive did not start: %s", error.c_str());
    const double one = saveMs(bench, single.devicePath(), {1});
    const double three = saveMs(bench, line.devicePath(), {1, 2, 3});
    single.stop();
    line.stop();
    if (one < 0 || three < 0)
        return cannotMeasure("an m9ctl params save failed or left a node without its file");

    std::printf("params save over a paced line at 19200 baud, best of %d\n", bench.rounds);
    std::printf("%-34s %8.0f ms\n", "one drive (node 1)", one);
    std::printf("%-34s %8.0f ms\n", "three drives on one line (1,2,3)", three);
    std::printf("%-34s %8.2fx of one drive (target at most 3.10)\n", "ratio", three / one);
    return 0;
}
