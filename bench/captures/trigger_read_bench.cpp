// One full read of a completed trigger capture (the state, sixteen blocks of
// 64 samples and the start position) against the virtual drive pacing its
// bytes at 19200 baud, compared with the link time those eighteen exchanges
// need: the same eighteen calls made straight into the link library, which
// waits its fixed line timings around every exchange. The bytes' own wire
// time (ten bits each, plus the drive's reaction) is printed beside them.
//
//   captures_trigger_read_bench [--quick] [reads]    (default 5, quick 2; target within 10 % of the link time)
#include "bench/bench_run.h"
#include "drive/connection/drive_connection.h"
#include "bench/recording_free_messages.h"
#include "drive/capture/trigger/trigger_graph.h"

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
#include "simulator/src/virtual_drive.h"
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <thread>
#include <vector>

int main(int argc, char **argv)
{
#ifndef TARVEX_HAVE_VIRTUAL_DRIVE
    (void)argc;
    (void)argv;
    return tarvex::bench::cannotMeasure("the virtual drive is not part of this build");
#else
    using tarvex::bench::cannotMeasure;
    using Clock = std::chrono::steady_clock;
    constexpr unsigned kBaud = 19200;
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const int reads = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 100) : quick ? 2 : 5;

    vq::sim::DriveOptions options;
    options.paced = true;
    options.lineSpeed = kBaud;
    options.log = [](const std::string &) {};
    vq::sim::VirtualDrive sim(options);
    std::string error;
    if (!sim.start(error))
        return cannotMeasure("the virtual drive did not start: %s", error.c_str());

    tarvex::FrameState frame;
    tarvex::bench::CountingMessages messages;
    tarvex::DriveConnection drive(frame, messages);
    drive.BindLinkLibrary(tarvex::bench::runFile("VQ_Communication.so"));
    drive.storeSettings({0, tarvex::PortChoice{1, sim.devicePath()}, kBaud});
    drive.Connect();
    if (!drive.isLinkOpen())
        return cannotMeasure("no connection to the virtual drive");

    // Period 1, four channels, triggered by the DC link's ripple falling through 310.5 V.
    tarvex::CTriggerGraph trigger(&drive);
    trigger.m_period = 1;
    trigger.m_channelCode = {1, 2, 4, 7};
    trigger.m_source = 7;
    trigger.m_edge = 1;
    trigger.m_position = 128;
    trigger.m_level = 3105;
    std::uint8_t status = 0;
    if (trigger.SetTrigger(status) != tarvex::trigger::kResultSuccess ||
        trigger.StartTrigger(status) != tarvex::trigger::kResultSuccess)
        return cannotMeasure("the drive did not take the trigger set-up (status %u)", status);
    tarvex::trigger::TriggerSamples samples{};
    int state = 0;
    unsigned start = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (state != tarvex::trigger::kStateComplete && Clock::now() < deadline)
        if (trigger.ReadTrigger(samples, state, start, status) != tarvex::trigger::kResultSuccess)
            return cannotMeasure("reading the capture's state failed (status %u)", status);
    if (state != tarvex::trigger::kStateComplete)
        return cannotMeasure("the capture did not complete");

    // The same eighteen exchanges made straight into the link library.
    const auto rawRead = [&] {
        const tarvex::LinkLibrary &link = drive.link();
        std::uint8_t word[2] = {0, 0};
        std::uint8_t block[128] = {};
        std::uint8_t s = 0;
        bool ok = link.RdSgRegister(tarvex::trigger::kStateRegister, word, &s, 1) == 2 && s == 0;
        for (int c = 0; c < 4; ++c)
            for (int b = 0; b < 4; ++b)
                ok = ok && link.RdMtRegister(tarvex::trigger::blockAddress(c, b), 64, block, &s) == 128 && s == 0;
        return ok && link.RdSgRegister(tarvex::trigger::kStartRegister, word, &s, 1) == 2 && s == 0;
    };

    // The capture stays complete in the drive, so every read is a full one;
    // the two kinds take turns so that both see the same conditions.
    std::vector<double> seconds;
    std::vector<double> reference;
    for (int r = 0; r < reads; ++r) {
        auto begin = Clock::now();
        if (trigger.ReadTrigger(samples, state, start, status) != tarvex::trigger::kResultSuccess ||
            state != tarvex::trigger::kStateComplete)
            return cannotMeasure("a capture read failed (status %u)", status);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - begin).count());
        begin = Clock::now();
        if (!rawRead())
            return cannotMeasure("a bare link read failed");
        reference.push_back(std::chrono::duration<double>(Clock::now() - begin).count());
    }
    drive.StopWorkers({});
    if (const int failed = messages.failIfShown())
        return failed;

    // Requests of 8 bytes; replies of 5 + 2 x count bytes.
    constexpr double kByteSeconds = 10.0 / kBaud;
    constexpr int kSingleExchange = 8 + 7;
    constexpr int kBlockExchange = 8 + 5 + 128;
    const double wire = (2 * kSingleExchange + 16 * kBlockExchange) * kByteSeconds;
    const double link = wire + 18 * options.responseDelayUs * 1e-6;
    const auto mean = [](const std::vector<double> &v) {
        return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
    };
    const double read = mean(seconds);
    const double needed = mean(reference);
    std::printf("trigger capture read (state, 16 blocks, start), 19200 baud paced, %d reads "
                "(target within 10 %% of the link time)\n", reads);
    std::printf("  link time %.3f s for the eighteen exchanges (their bytes alone %.3f s + drive reaction %.3f s)\n",
                needed, wire, link - wire);
    std::printf("  capture read mean %.3f s (%+.1f %% of the link time), best %.3f s, worst %.3f s\n",
                read, 100.0 * (read - needed) / needed, *std::min_element(seconds.begin(), seconds.end()),
                *std::max_element(seconds.begin(), seconds.end()));
    return 0;
#endif
}
