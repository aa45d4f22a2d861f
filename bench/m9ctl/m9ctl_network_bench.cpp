// "m9ctl params save" of the whole catalogue from a drive behind a serial
// device server (socat bridging a loopback TCP port to the virtual drive's
// pseudo-terminal, raw tcp://) against the same save on the drive's
// pseudo-terminal itself, at 19200 and 57600 baud with paced drives
// (target: at most 1.1 x the direct port).
//
//   m9ctl_network_bench [--quick] [rounds]   (best of 3, quick 1)
#include "bench/m9ctl/m9ctl_bench_run.h"
#include "simulator/src/virtual_drive.h"
#include "tests/m9ctl/network_bridge.h"

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

// One save's time in milliseconds; -1 when m9ctl failed or wrote nothing.
double saveMs(const tarvex::bench::M9ctlBench &bench, const std::string &port, unsigned baud, const std::string &file)
{
    std::filesystem::remove(bench.file(file));
    const double ms = bench.timedRun({"--port", port, "--baud", std::to_string(baud), "params", "save", file});
    return ms >= 0 && std::filesystem::exists(bench.file(file)) ? ms : -1;
}

} // namespace

int main(int argc, char **argv)
{
    using tarvex::bench::cannotMeasure;
    const tarvex::bench::M9ctlBench bench(argc, argv, "m9ctl_network_bench");
    if (!bench.problem.empty())
        return cannotMeasure("%s", bench.problem.c_str());
    const vq::sim::CatalogueDefaults &defaults = bench.defaults;
    const int rounds = bench.rounds;
    const std::string &dir = bench.folder;
    std::string error;

    std::printf("params save of %zu parameters, paced drive, best of %d\n", defaults.parameters.size(), rounds);
    std::printf("%-8s %12s %12s %8s\n", "baud", "direct pty", "tcp://", "ratio");
    int failed = 0;
    for (const unsigned baud : {19200u, 57600u}) {
        vq::sim::DriveOptions options;
        options.paced = true;
        options.lineSpeed = baud;
        vq::sim::VirtualDrive drive(options, defaults);
        if (!drive.start(error)) {
            failed = cannotMeasure("the virtual drive did not start: %s", error.c_str());
            break;
        }
        double direct = 1e12;
        double bridged = 1e12;
        for (int r = 0; r < rounds && failed == 0; ++r) {
            const double d = saveMs(bench, drive.devicePath(), baud, "direct.mpa");
            // socat serves one connection: a bridge of its own for each round.
            m9test::NetworkBridge bridge(m9test::NetworkBridge::Kind::SocatRaw, drive.devicePath(), baud, dir);
            if (!bridge.started()) {
                failed = cannotMeasure("socat did not listen (is it installed? scripts/setup)");
                break;
            }
            const double b = saveMs(bench, bridge.address(), baud, "bridged.mpa");
            if (d < 0 || b < 0) {
                failed = cannotMeasure("a params save failed at %u baud", baud);
                break;
            }
            direct = std::min(direct, d);
            bridged = std::min(bridged, b);
        }
        if (failed == 0 && drive.counters().wrongSpeedChunks != 0)
            failed = cannotMeasure("the drive saw bytes at another rate than %u baud", baud);
        drive.stop();
        if (failed != 0)
            break;
        std::printf("%-8u %9.0f ms %9.0f ms %7.2fx (target 1.10)\n", baud, direct, bridged, bridged / direct);
    }
    return failed;
}
