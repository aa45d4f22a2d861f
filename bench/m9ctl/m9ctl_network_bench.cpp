// "m9ctl params save" of the whole catalogue from a drive behind a serial
// device server (socat bridging a loopback TCP port to the virtual drive's
// pseudo-terminal, raw tcp://) against the same save on the drive's
// pseudo-terminal itself, at 19200 and 57600 baud with paced drives
// (target: at most 1.1 x the direct port).
//
//   m9ctl_network_bench [--quick] [rounds]   (best of 3, quick 1)
#include "bench/bench_run.h"
#include "simulator/src/catalogue_defaults.h"
#include "simulator/src/virtual_drive.h"
#include "tests/m9ctl/network_bridge.h"
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

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One save's time in milliseconds; -1 when m9ctl failed or wrote nothing.
double saveMs(const std::string &port, unsigned baud, const std::string &dir, const std::string &file)
{
    std::filesystem::remove(dir + "/" + file);
    const auto start = Clock::now();
    const m9test::Outcome result = m9test::runProgram(
        tarvex::bench::runFile("m9ctl"), {"--port", port, "--baud", std::to_string(baud), "params", "save", file},
        dir);
    const double ms = msSince(start);
    if (result.code != 0 || !std::filesystem::exists(dir + "/" + file)) {
        std::fprintf(stderr, "m9ctl --port %s params save exited with %d: %s", port.c_str(), result.code,
                     result.err.c_str());
        return -1;
    }
    return ms;
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
    const std::string dir =
        std::filesystem::temp_directory_path() / ("m9ctl_network_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);

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
            const double d = saveMs(drive.devicePath(), baud, dir, "direct.mpa");
            // socat serves one connection: a bridge of its own for each round.
            m9test::NetworkBridge bridge(m9test::NetworkBridge::Kind::SocatRaw, drive.devicePath(), baud, dir);
            if (!bridge.started()) {
                failed = cannotMeasure("socat did not listen (is it installed? scripts/setup)");
                break;
            }
            const double b = saveMs(bridge.address(), baud, dir, "bridged.mpa");
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
    std::filesystem::remove_all(dir);
    return failed;
}
