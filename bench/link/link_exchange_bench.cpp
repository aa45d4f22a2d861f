// The link library's exchanges against the paced virtual drive (its bytes
// take their wire time, and it reacts after 1.5 ms), in the specified and
// the fast exchange profile side by side, beside libmodbus as an
// independent Modbus master reading the same registers (function 0x03)
// from the same drive. At 19200 and 57600 baud it prints, as medians:
//   - single exchanges of each kind,
//   - one status cycle (the 34 state variable registers in one scattered
//     read, then the 3 input/output registers),
//   - All Read (every parameter group of the catalogue but the factory
//     group, one 0x03 read each, as the parameter window reads them),
// each with the wire time its bytes need and the ratio to it.
// The last line gives the fast profile's figures at 19200 baud.
//
//   link_exchange_bench [--quick] [repetitions]   (default 9, quick 3)
//   targets at 19200 baud, fast profile: status cycle at most 0.13 s and at
//   most 1.3 x wire, All Read at most 1.2 x wire, 0x03 reads at most
//   1.1 x libmodbus.
#include "bench/bench_run.h"
#include "simulator/src/catalogue_defaults.h"
#include "simulator/src/virtual_drive.h"
#include "vq_communication.h"

#include <modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kNode = 1; // libmodbus takes node 0 for a broadcast and waits for nothing

struct Block {
    std::uint16_t first;
    int count;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double wireMs(int bytes, unsigned baud) { return bytes * 10'000.0 / baud; }

// Milliseconds of one call, median of `repetitions`; -1 when a call failed.
double timed(int repetitions, const std::function<bool()> &call)
{
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        const auto start = Clock::now();
        if (!call())
            return -1;
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return median(times);
}

// The catalogue's groups as the parameter window reads them: one block per
// group, the factory group left out.
std::vector<Block> allReadBlocks(const vq::sim::CatalogueDefaults &catalogue)
{
    std::map<int, Block> groups;
    for (const vq::sim::ParameterDefault &p : catalogue.parameters) {
        if (p.group == 6)
            continue;
        auto [it, fresh] = groups.try_emplace(p.group, Block{p.address, 0});
        it->second.first = std::min(it->second.first, p.address);
        it->second.count += p.twoRegisters ? 2 : 1;
    }
    std::vector<Block> blocks;
    for (const auto &[group, block] : groups)
        if (block.count > 0 && block.count <= 126)
            blocks.push_back(block);
    return blocks;
}

ScatteredRequest stateVariableRequest()
{
    // The 26 state variables at 206 to 272, eight of them two registers wide: 34 registers.
    const bool wide[26] = {false, false, true, true, true, true, false, false, false, false, false, false, false,
                           true, false, true, false, false, false, false, false, false, false, true, true, false};
    ScatteredRequest request{};
    int n = 0;
    unsigned address = 206;
    for (bool w : wide) {
        for (unsigned a = address; a < address + (w ? 4u : 2u); a += 2)
            request.addresses[n++] = static_cast<std::uint16_t>(a);
        address += w ? 4 : 2;
    }
    request.byteCount = static_cast<std::uint8_t>(2 * n);
    return request;
}

struct Figures {
    double statusCycleMs = 0;
    double allReadMs = 0;
    double readsMs = 0; // the All Read blocks through this master
};

} // namespace

int main(int argc, char **argv)
{
    using tarvex::bench::cannotMeasure;
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const int repetitions = argc > 1 ? std::clamp(std::atoi(argv[1]), 3, 200) : quick ? 3 : 9;
    const std::string catalogueFile = tarvex::bench::englishCatalogue();
    vq::sim::CatalogueDefaults catalogue;
    std::string error;
    if (!vq::sim::loadCatalogueDefaults(catalogueFile, catalogue, error))
        return cannotMeasure("the catalogue did not load: %s", error.c_str());
    const std::vector<Block> blocks = allReadBlocks(catalogue);
    const ScatteredRequest state = stateVariableRequest();
    const int stateBytes = state.byteCount;

    std::printf("link exchanges against the paced virtual drive, medians of %d (the machine is shared:\n"
                "figures vary with its load)\n", repetitions);
    std::printf("%-34s %6s %11s %11s %11s %9s\n", "exchange", "baud", "specified", "fast", "libmodbus", "wire");

    Figures fastAt19200;
    for (unsigned baud : {19200u, 57600u}) {
        vq::sim::DriveOptions options;
        options.node = kNode;
        options.lineSpeed = baud;
        options.paced = true;
        options.log = [](const std::string &) {};
        vq::sim::VirtualDrive drive(options, catalogue);
        if (!drive.start(error))
            return cannotMeasure("the virtual drive did not start: %s", error.c_str());

        std::uint8_t data[512];
        std::uint8_t status = 0;
        const auto ok = [&] { return status == 0; };
        struct Case {
            std::string name;
            int wireBytes;
            std::function<bool()> call;
            std::function<bool(modbus_t *)> independent; // the same registers through libmodbus
        };
        std::uint16_t words[128];
        std::vector<Case> cases = {
            {"read 2 registers (0x03)", 8 + 9, [&] { CommRdMtRegister(206, 2, data, &status); return ok(); },
             [&](modbus_t *m) { return modbus_read_registers(m, 206, 2, words) == 2; }},
            {"read 64 registers (0x03)", 8 + 133, [&] { CommRdMtRegister(2072, 64, data, &status); return ok(); },
             [&](modbus_t *m) { return modbus_read_registers(m, 2072, 64, words) == 64; }},
            {"write 1 register (0x06)", 8 + 8, [&] { CommWrSgRegister(158, 100, &status); return ok(); }, nullptr},
            {"scattered read, 34 addresses", 2 * (5 + stateBytes),
             [&] { CommRdEachRegister(state, data, &status); return ok(); }, nullptr},
            {"status cycle", 2 * (5 + stateBytes) + 8 + 11,
             [&] {
                 CommRdEachRegister(state, data, &status);
                 if (!ok())
                     return false;
                 CommRdMtRegister(4160, 3, data, &status);
                 return ok();
             },
             nullptr},
        };
        int allReadBytes = 0;
        for (const Block &b : blocks)
            allReadBytes += 8 + 5 + 2 * b.count;
        cases.push_back({"All Read (" + std::to_string(blocks.size()) + " groups)", allReadBytes,
                         [&] {
                             for (const Block &b : blocks) {
                                 CommRdMtRegister(b.first, b.count, data, &status);
                                 if (!ok())
                                     return false;
                             }
                             return true;
                         },
                         [&](modbus_t *m) {
                             for (const Block &b : blocks)
                                 if (modbus_read_registers(m, b.first, b.count, words) != b.count)
                                     return false;
                             return true;
                         }});

        std::vector<double> results[2];
        for (int profile : {VQ_PROFILE_SPECIFIED, VQ_PROFILE_FAST}) {
            CommSetExchangeProfile(profile);
            CommCreate();
            CommInitDevice(kNode, drive.devicePath().c_str(), baud, VQ_NO_EVENT);
            if (CommConnect(VQ_NO_EVENT) != 1)
                return cannotMeasure("the link cannot open %s", drive.devicePath().c_str());
            for (const Case &c : cases)
                results[profile].push_back(timed(repetitions, c.call));
            CommDestroy();
        }
        CommSetExchangeProfile(VQ_PROFILE_SPECIFIED);

        std::vector<double> independent(cases.size(), -1);
        modbus_t *master = modbus_new_rtu(drive.devicePath().c_str(), static_cast<int>(baud), 'N', 8, 1);
        if (!master || modbus_set_slave(master, kNode) != 0 || modbus_connect(master) != 0)
            return cannotMeasure("libmodbus cannot open %s", drive.devicePath().c_str());
        modbus_set_response_timeout(master, 1, 0);
        for (std::size_t i = 0; i < cases.size(); ++i)
            if (cases[i].independent)
                independent[i] = timed(repetitions, [&] { return cases[i].independent(master); });
        modbus_close(master);
        modbus_free(master);

        for (std::size_t i = 0; i < cases.size(); ++i) {
            const auto cell = [](double ms) {
                char text[32];
                std::snprintf(text, sizeof text, ms < 0 ? "-" : "%.1f ms", ms);
                return std::string(text);
            };
            std::printf("%-34s %6u %11s %11s %11s %6.1f ms\n", cases[i].name.c_str(), baud,
                        cell(results[0][i]).c_str(), cell(results[1][i]).c_str(),
                        cases[i].independent ? cell(independent[i]).c_str() : "", wireMs(cases[i].wireBytes, baud));
        }
        const std::size_t cycle = 4, allRead = 5;
        for (std::size_t i = 0; i < cases.size(); ++i)
            if (results[0][i] < 0 || results[1][i] < 0 || (cases[i].independent && independent[i] < 0))
                return cannotMeasure("%s failed at %u baud", cases[i].name.c_str(), baud);
        if (baud == 19200) {
            fastAt19200.statusCycleMs = results[1][cycle];
            fastAt19200.allReadMs = results[1][allRead];
            fastAt19200.readsMs = independent[allRead];
        }
    }

    const double cycleWire = wireMs(2 * (5 + stateBytes) + 8 + 11, 19200);
    int allReadBytes = 0;
    for (const Block &b : blocks)
        allReadBytes += 8 + 5 + 2 * b.count;
    std::printf("fast profile at 19200 baud: status cycle %.3f s (%.2f x wire), All Read %.2f x wire, "
                "0x03 read %.2f x libmodbus\n",
                fastAt19200.statusCycleMs / 1000, fastAt19200.statusCycleMs / cycleWire,
                fastAt19200.allReadMs / wireMs(allReadBytes, 19200),
                fastAt19200.allReadMs / fastAt19200.readsMs);
    return 0;
}
