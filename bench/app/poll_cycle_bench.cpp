// One full status poll cycle with all 26 rows ticked, against the virtual
// drive pacing its bytes at 19200 baud: the time from one cycle's last
// lamp to the next cycle's last lamp.
//
//   app_poll_cycle_bench [--quick] [cycles]    (default 10, quick 3; target at most 0.45 s)
#include "bench/bench_run.h"
#include "drive/connection/communication.h"
#include "drive/connection/drive_connection.h"
#include "bench/recording_free_messages.h"
#include "drive/connection/status_variables.h"

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
#include "simulator/src/virtual_drive.h"
#endif

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numeric>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Every row ticked; notes when the last output lamp of a cycle is shown.
class TimingPanes final : public tarvex::StatusVariableView, public tarvex::LampView {
public:
    std::uint32_t tickedRows() const override { return tarvex::status::kAllRows; }
    void showValue(int, const std::string &) override {}
    void showLamp(int row, bool) override
    {
        if (row != tarvex::status::kOutputCount)
            return;
        std::lock_guard lock(mutex_);
        ends_.push_back(Clock::now());
        changed_.notify_all();
    }
    std::vector<Clock::time_point> waitForCycles(std::size_t count)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(120), [&] { return ends_.size() >= count; });
        return ends_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Clock::time_point> ends_;
};

// Inputs go nowhere; only the output lamps mark the cycles.
class NoLamps final : public tarvex::LampView {
public:
    void showLamp(int, bool) override {}
};

} // namespace

int main(int argc, char **argv)
{
#ifndef TARVEX_HAVE_VIRTUAL_DRIVE
    (void)argc;
    (void)argv;
    return tarvex::bench::cannotMeasure("the virtual drive is not part of this build");
#else
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const int cycles = argc > 1 ? std::clamp(std::atoi(argv[1]), 2, 1000) : quick ? 3 : 10;
    vq::sim::DriveOptions options;
    options.paced = true;
    options.lineSpeed = 19200;
    options.log = [](const std::string &) {};
    vq::sim::VirtualDrive sim(options);
    std::string error;
    if (!sim.start(error))
        return tarvex::bench::cannotMeasure("the virtual drive did not start: %s", error.c_str());

    tarvex::FrameState frame;
    tarvex::bench::CountingMessages messages;
    tarvex::DriveConnection drive(frame, messages);
    drive.BindLinkLibrary(tarvex::bench::runFile("VQ_Communication.so"));
    tarvex::CCommunication settings(&drive);
    settings.ApplySettings(0, tarvex::PortChoice{1, sim.devicePath()}, tarvex::kDialogBaudIndex);
    TimingPanes panes;
    NoLamps inputs;
    drive.setVariableView(&panes);
    drive.setInputView(&inputs);
    drive.setOutputView(&panes);
    drive.Connect();
    if (!drive.isLinkOpen())
        return tarvex::bench::cannotMeasure("no connection to the virtual drive");
    drive.StartMonitoring();
    // The first cycle starts mid-way; measure between cycle ends.
    const auto ends = panes.waitForCycles(static_cast<std::size_t>(cycles) + 1);
    drive.StopWorkers({});
    if (ends.size() < static_cast<std::size_t>(cycles) + 1)
        return tarvex::bench::cannotMeasure("only %zu cycles completed", ends.size());
    if (const int failed = messages.failIfShown())
        return failed;
    std::vector<double> seconds;
    for (std::size_t i = 1; i < ends.size(); ++i)
        seconds.push_back(std::chrono::duration<double>(ends[i] - ends[i - 1]).count());
    const double mean =
        std::accumulate(seconds.begin(), seconds.end(), 0.0) / static_cast<double>(seconds.size());
    std::printf("poll cycle, 26 rows ticked, 19200 baud paced, %d cycles (target at most 0.45 s)\n",
                cycles);
    std::printf("  mean %.3f s, best %.3f s, worst %.3f s\n", mean,
                *std::min_element(seconds.begin(), seconds.end()),
                *std::max_element(seconds.begin(), seconds.end()));
    return 0;
#endif
}
