// m9ctl against virtual drives pacing their bytes at 19200 baud: "params
// save" and "params load --verify" of the whole catalogue on one drive,
// against the bare link time of the same register exchanges, and the same
// commands on four drives at once (target: at most 1.3 x one drive).
//
//   m9ctl_bench [--quick] [rounds]   (best of 3, quick 1)
#include "bench/m9ctl/m9ctl_bench_run.h"
#include "simulator/src/virtual_drive.h"
#include "vq_communication.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint16_t kInertiaRatioAddress = 82;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The block reads that fetch every group: first address and register count.
std::vector<std::pair<std::uint16_t, int>> groupBlocks(const vq::sim::CatalogueDefaults &defaults)
{
    std::map<int, std::pair<int, int>> spans;
    for (const auto &p : defaults.parameters) {
        const int last = p.address + (p.twoRegisters ? 2 : 0);
        auto [it, fresh] = spans.try_emplace(p.group, p.address, last);
        it->second.first = std::min(it->second.first, static_cast<int>(p.address));
        it->second.second = std::max(it->second.second, last);
    }
    std::vector<std::pair<std::uint16_t, int>> blocks;
    for (const auto &[group, span] : spans)
        if (group != 6) // the factory group stays hidden
            blocks.emplace_back(static_cast<std::uint16_t>(span.first), (span.second - span.first) / 2 + 1);
    return blocks;
}

// The least the link needs: the group reads (twice with the read-back of a
// verify) and one single write, in one process with the link open.
double bareLinkMs(const std::string &device, const std::vector<std::pair<std::uint16_t, int>> &blocks, bool load)
{
    CommCreate();
    CommInitDevice(0, device.c_str(), 19200, VQ_NO_EVENT);
    if (!CommConnect(VQ_NO_EVENT)) {
        CommDestroy();
        return -1;
    }
    const auto start = Clock::now();
    std::uint8_t buffer[512];
    std::uint8_t status = 0;
    for (int pass = 0; pass < (load ? 2 : 1); ++pass) {
        for (const auto &[address, count] : blocks)
            CommRdMtRegister(address, count, buffer, &status);
        if (load && pass == 0)
            CommWrSgRegister(kInertiaRatioAddress, 100, &status);
    }
    const double ms = msSince(start);
    CommDisConnect();
    CommDestroy();
    return ms;
}

struct Drives {
    std::vector<std::unique_ptr<vq::sim::VirtualDrive>> drives;
    std::vector<std::string> portArgs() const
    {
        std::vector<std::string> args;
        for (const auto &d : drives) {
            args.emplace_back("--port");
            args.push_back(d->devicePath());
        }
        return args;
    }
};

// Milliseconds of the best round; -1 when m9ctl failed.
double commandMs(const tarvex::bench::M9ctlBench &bench, const Drives &drives, std::vector<std::string> command,
                 bool changeFirst)
{
    double best = 1e12;
    std::vector<std::string> args = drives.portArgs();
    args.insert(args.end(), command.begin(), command.end());
    for (int r = 0; r < bench.rounds; ++r) {
        if (changeFirst) {
            // One value differs on every drive, so the load has one row to write.
            for (const auto &d : drives.drives) {
                CommCreate();
                CommInitDevice(0, d->devicePath().c_str(), 19200, VQ_NO_EVENT);
                std::uint8_t status = 0;
                if (CommConnect(VQ_NO_EVENT))
                    CommWrSgRegister(kInertiaRatioAddress, 250, &status);
                CommDisConnect();
                CommDestroy();
            }
        }
        const double ms = bench.timedRun(args);
        if (ms < 0)
            return -1;
        best = std::min(best, ms);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    using tarvex::bench::cannotMeasure;
    const tarvex::bench::M9ctlBench bench(argc, argv, "m9ctl_bench");
    if (!bench.problem.empty())
        return cannotMeasure("%s", bench.problem.c_str());
    const vq::sim::CatalogueDefaults &defaults = bench.defaults;
    const int rounds = bench.rounds;
    std::string error;
    const auto blocks = groupBlocks(defaults);
    Drives one, four;
    for (int i = 0; i < 5; ++i) {
        vq::sim::DriveOptions options;
        options.paced = true;
        auto drive = std::make_unique<vq::sim::VirtualDrive>(options, defaults);
        if (!drive->start(error))
            return cannotMeasure("the virtual drive did not start: %s", error.c_str());
        (i == 0 ? one : four).drives.push_back(std::move(drive));
    }

    const double bareSave = bareLinkMs(one.drives[0]->devicePath(), blocks, false);
    const double bareLoad = bareLinkMs(one.drives[0]->devicePath(), blocks, true);
    const double save1 = commandMs(bench, one, {"params", "save", "set.mpa"}, false);
    const double load1 = commandMs(bench, one, {"params", "load", "set.mpa", "--verify"}, true);
    // Each drive saves a file of its own; all of them then load the one file.
    const double save4 = commandMs(bench, four, {"params", "save", "set-{port}.mpa"}, false);
    const double load4 = commandMs(bench, four, {"params", "load", "set.mpa", "--verify"}, true);
    if (bareSave < 0 || bareLoad < 0)
        return cannotMeasure("the link did not open the virtual drive");
    if (save1 < 0 || load1 < 0 || save4 < 0 || load4 < 0)
        return cannotMeasure("an m9ctl command failed");

    std::printf("catalogue: %zu parameters in %zu group blocks, 19200 baud, paced drives, best of %d\n",
                defaults.parameters.size(), blocks.size(), rounds);
    std::printf("%-28s %10s %10s %10s\n", "", "bare link", "m9ctl", "ratio");
    std::printf("%-28s %8.0f ms %8.0f ms %9.2fx\n", "params save, one drive", bareSave, save1, save1 / bareSave);
    std::printf("%-28s %8.0f ms %8.0f ms %9.2fx\n", "params load --verify, one", bareLoad, load1, load1 / bareLoad);
    std::printf("%-28s %10s %8.0f ms %9.2fx of one drive (target 1.30)\n", "params save, four drives", "", save4,
                save4 / save1);
    std::printf("%-28s %10s %8.0f ms %9.2fx of one drive (target 1.30)\n", "params load --verify, four", "", load4,
                load4 / load1);
    for (auto *set : {&one, &four})
        for (auto &d : set->drives)
            d->stop();
    return 0;
}
