// The data trace kept running against the virtual drive with its bytes
// paced at the line speed, at 19200 and 57600 baud, each at the shortest
// period the window accepts for that speed. Channel 1 carries the drive's
// sample counter, so every plotted point says which sample it is; the
// other three channels carry real quantities so the plot does its full work.
//
//   trace_sustained_bench [--quick] [seconds] [baud...]   (default 60 s, quick 5 s; 19200 57600)
//
// Figures: blocks the drive produced, blocks received and plotted (target:
// all), samples lost, repeated or out of order (target: none), the
// user-interface thread's time per plotted block (target: under 5 ms) and
// its longest stall.
#include "bench/bench_run.h"
#include "bench/graphs/chart_replot_time.h"
#include "app/ui/chart/chart_view.h"
#include "drive/connection/drive_connection.h"
#include "app/graphs/integer_edit.h"
#include "bench/recording_free_messages.h"
#include "app/graphs/trace/trace_graph_dlg.h"
#include "drive/capture/trace/trace_period.h"
#include "bench/graphs/ui_stall_watch.h"

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
#include "simulator/src/virtual_drive.h"
#endif

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace std::chrono_literals;

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
struct SampleCheck {
    long long checked = 0;
    long long lost = 0;     // samples skipped between two plotted neighbours
    long long repeated = 0; // a neighbour not newer than the one before
    long long lastAbsolute = -1;

    // Looks at the newest points the chart holds that have not been looked at yet.
    void look(CChartView &chart, long long plotted)
    {
        const int count = chart.count(0);
        const long long firstAbsolute = plotted - count; // absolute index of chart point 0
        for (int i = 0; i < count; ++i) {
            const long long absolute = firstAbsolute + i;
            if (absolute <= lastAbsolute)
                continue;
            const auto value = static_cast<std::uint16_t>(static_cast<int>(chart.value(0, i)));
            if (lastAbsolute >= 0) {
                const auto step = static_cast<std::uint16_t>(value - previous_);
                if (step == 0 || step > 0x8000)
                    ++repeated;
                else
                    lost += step - 1;
            } else {
                lost += value; // the counter starts at 0
            }
            previous_ = value;
            lastAbsolute = absolute;
            ++checked;
        }
    }

private:
    std::uint16_t previous_ = 0;
};

int runAt(std::uint32_t baud, double seconds)
{
    vq::sim::DriveOptions options;
    options.paced = true;
    options.lineSpeed = baud;
    options.log = [](const std::string &) {};
    vq::sim::VirtualDrive sim(options);
    std::string error;
    if (!sim.start(error))
        return tarvex::bench::cannotMeasure("trace %u: the virtual drive did not start: %s", baud, error.c_str());

    tarvex::FrameState frame;
    tarvex::bench::CountingMessages messages;
    tarvex::DriveConnection drive(frame, messages);
    drive.BindLinkLibrary(tarvex::bench::runFile("VQ_Communication.so"));
    drive.storeSettings({0, tarvex::PortChoice{1, sim.devicePath()}, baud});
    drive.InitLink();
    drive.Connect();
    if (!drive.isLinkOpen())
        return tarvex::bench::cannotMeasure("trace %u: no connection to the virtual drive", baud);

    const int period = tarvex::trace::shortestPeriodMs(baud);
    long long plotted = 0;
    SampleCheck check;
    long long longestStallMs = 0;
    double replotMs = 0;
    tarvex::TracePlotTiming timing;
    {
        tarvex::TraceGraphDlg window(&drive);
        window.resize(1000, 600);
        window.show();
        window.channelList(0).setCurrentIndex(1);  // shown as received: the counter
        window.channelList(1).setCurrentIndex(2);  // command speed
        window.channelList(2).setCurrentIndex(4);  // torque
        window.channelList(3).setCurrentIndex(7);  // DC-link voltage
        window.periodEdit().setValue(period);
        window.OnApply();
        window.setChannelCode(0, 8);
        std::uint8_t status = 0;
        window.SetTrace(status);
        window.OnStart();
        if (!window.isRunning())
            return tarvex::bench::cannotMeasure("trace %u: the trace did not start", baud);

        UiStallWatch watch([&] { check.look(window.chart(), window.plottedPoints()); });
        // A loop of its own: quitting the application would close the window.
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        watch.stop();
        longestStallMs = watch.longestMs();

        window.OnStop();
        check.look(window.chart(), window.plottedPoints());
        plotted = window.plottedPoints();
        timing = window.plotTiming();
        replotMs = averageReplotMs(window.chart());
        window.endWorker();
    }

    const long long received = plotted / tarvex::trace::kSamplesPerBlock;
    const long long overruns = sim.traceOverruns();
    const long long produced = received + overruns; // the drive's queue is empty after the stop
    const double perBlockMs =
        timing.blocks ? static_cast<double>(timing.total.count()) / 1e6 / static_cast<double>(timing.blocks) : 0.0;
    std::printf("trace %u baud, period %d ms, %.0f s:\n", baud, period, seconds);
    std::printf("  blocks produced by the drive  %lld\n", produced);
    std::printf("  blocks received and plotted   %lld  (%s)\n", received,
                received == produced ? "all" : "SOME MISSING");
    std::printf("  drive queue overruns          %lld\n", overruns);
    std::printf("  samples checked               %lld: lost %lld, repeated or out of order %lld\n", check.checked,
                check.lost, check.repeated);
    std::printf("  plot step per block           %.3f ms average, %.3f ms longest (target under 5 ms)\n", perBlockMs,
                static_cast<double>(timing.longest.count()) / 1e6);
    std::printf("  chart replot                  %.3f ms average\n", replotMs);
    std::printf("  longest user-interface stall  %lld ms\n", longestStallMs);
    drive.StopWorkers({});
    if (const int failed = messages.failIfShown())
        return failed;
    if (check.checked == 0)
        return tarvex::bench::cannotMeasure("trace %u: no sample was plotted", baud);
    if (received != produced || check.lost != 0 || check.repeated != 0)
        return tarvex::bench::cannotMeasure("trace %u: blocks or samples went missing", baud);
    return 0;
}
#endif

} // namespace

int main(int argc, char **argv)
{
#ifndef TARVEX_HAVE_VIRTUAL_DRIVE
    (void)argc;
    (void)argv;
    return tarvex::bench::cannotMeasure("the virtual drive is not part of this build");
#else
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const double seconds = argc > 1 ? std::clamp(std::atof(argv[1]), 1.0, 3600.0) : quick ? 5.0 : 60.0;
    std::vector<std::uint32_t> bauds;
    for (int i = 2; i < argc; ++i)
        bauds.push_back(static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10)));
    if (bauds.empty())
        bauds = {19200, 57600};
    int one = 1;
    QApplication app(one, argv);
    int result = 0;
    for (std::uint32_t baud : bauds)
        result = std::max(result, runAt(baud, seconds));
    return result;
#endif
}
