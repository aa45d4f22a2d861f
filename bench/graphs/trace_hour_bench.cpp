// One hour of data trace at the shortest period of 57600 baud, fed from a
// recorded run through the real trace window: a stand-in link library hands
// the worker the run's blocks in the drive's wire layout as fast as it
// fetches them, so the hour passes in a minute or so, and the window
// receives, plots and keeps every block as it would from a drive. The last
// blocks come at ten times the drive's real rate, and the user-interface
// thread's stalls are measured then, with the whole hour in the window.
//
//   trace_hour_bench [--quick] [minutes]   (default 60, quick 5)
//
// Figures: blocks fed and kept (target: all), the memory the run took
// (target under 200 MB), the time of a full replot with all four channels
// and of a zoom step at full history (target under 50 ms each), and the
// user-interface thread's longest stall while the blocks came in (target
// under 50 ms).
#include "bench/bench_run.h"
#include "bench/graphs/chart_replot_time.h"
#include "app/ui/chart/chart_view.h"
#include "drive/connection/drive_connection.h"
#include "app/graphs/integer_edit.h"
#include "bench/recording_free_messages.h"
#include "app/graphs/trace/trace_graph_dlg.h"
#include "drive/capture/trace/trace_period.h"
#include "bench/graphs/ui_stall_watch.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

constexpr std::uint32_t kBaud = 57600;

double residentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

using LoadFn = void (*)(long long);
using PaceFn = void (*)(long long);
// Blocks fed at the measured pace at the end of the run.
constexpr long long kPacedBlocks = 100;
constexpr int kCompression = 10;
using ServedFn = long long (*)();

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const double minutes = argc > 1 ? std::clamp(std::atof(argv[1]), 0.1, 120.0) : quick ? 5.0 : 60.0;
    int one = 1;
    QApplication app(one, argv);

    tarvex::FrameState frame;
    tarvex::bench::CountingMessages messages;
    tarvex::DriveConnection drive(frame, messages);
    drive.BindLinkLibrary(TARVEX_RECORDED_TRACE_LINK);
    void *replay = dlopen(TARVEX_RECORDED_TRACE_LINK, RTLD_NOW | RTLD_NOLOAD);
    const auto load = replay ? reinterpret_cast<LoadFn>(dlsym(replay, "RecordedTraceLoad")) : nullptr;
    const auto served = replay ? reinterpret_cast<ServedFn>(dlsym(replay, "RecordedTraceServed")) : nullptr;
    const auto pace = replay ? reinterpret_cast<PaceFn>(dlsym(replay, "RecordedTracePace")) : nullptr;
    if (!load || !served || !pace)
        return tarvex::bench::cannotMeasure("the recorded-trace link library did not load");
    drive.storeSettings({0, tarvex::PortChoice{1, "recorded"}, kBaud});
    drive.InitLink();
    drive.Connect();
    if (!drive.isLinkOpen())
        return tarvex::bench::cannotMeasure("no link to the recorded run");

    const int period = tarvex::trace::shortestPeriodMs(kBaud);
    const auto blocks = static_cast<long long>(minutes * 60'000.0 / period / tarvex::trace::kSamplesPerBlock);
    const double before = residentMegabytes();
    long long longestStallMs = 0;
    double feedSeconds = 0, after = 0, replotMs = 0, zoomMs = 0, wholeReplotMs = 0, wholeZoomMs = 0;
    std::size_t kept = 0;
    long long plotted = 0;
    tarvex::TracePlotTiming timing;
    {
        tarvex::TraceGraphDlg window(&drive);
        window.resize(1000, 600);
        window.show();
        window.channelList(0).setCurrentIndex(1); // the sample counter
        window.channelList(1).setCurrentIndex(2); // command speed
        window.channelList(2).setCurrentIndex(4); // torque
        window.channelList(3).setCurrentIndex(7); // DC-link voltage
        window.periodEdit().setValue(period);
        window.OnApply();
        load(blocks);
        window.OnStart();
        if (!window.isRunning())
            return tarvex::bench::cannotMeasure("the trace did not start");

        // The hour as fast as the window takes it, then the last blocks at
        // the compressed real rate with the stalls watched.
        const long long fastBlocks = std::max(0LL, blocks - kPacedBlocks);
        const auto blockTimeUs = static_cast<long long>(period) * tarvex::trace::kSamplesPerBlock * 1000;
        QElapsedTimer fill;
        fill.start();
        pace(0);
        QEventLoop filling;
        QTimer fillCheck;
        QObject::connect(&fillCheck, &QTimer::timeout, [&] {
            if (window.plottedPoints() >= fastBlocks * tarvex::trace::kSamplesPerBlock || !window.isRunning() ||
                fill.elapsed() > 30 * 60'000)
                filling.quit();
        });
        fillCheck.start(5);
        if (fastBlocks > 0)
            filling.exec();
        pace(blockTimeUs / kCompression);
        fillCheck.stop();
        QEventLoop loop;
        UiStallWatch watch([&] {
            const bool allIn = served() >= blocks &&
                               window.plottedPoints() >= blocks * tarvex::trace::kSamplesPerBlock;
            if (allIn || !window.isRunning() || fill.elapsed() > 30 * 60'000)
                loop.quit();
        });
        loop.exec();
        watch.stop();
        longestStallMs = watch.longestMs();
        feedSeconds = static_cast<double>(fill.elapsed()) / 1000.0;
        window.OnStop();
        QApplication::processEvents();

        after = residentMegabytes();
        kept = window.history().size();
        plotted = window.plottedPoints();
        timing = window.plotTiming();
        replotMs = fullReplotMs(window.chart(), 10);
        zoomMs = zoomStepMs(window.chart(), 10);
        // The worst case: the whole hour in view, every pixel column drawn
        // from thousands of samples.
        const auto [first, last] = window.chart().timeView();
        window.chart().setTimeView(last - static_cast<double>(kept), last);
        QApplication::processEvents();
        wholeReplotMs = fullReplotMs(window.chart(), 10);
        wholeZoomMs = zoomStepMs(window.chart(), 10);
        (void)first;
        window.endWorker();
    }

    const long long samples = blocks * tarvex::trace::kSamplesPerBlock;
    const double perBlockMs =
        timing.blocks ? static_cast<double>(timing.total.count()) / 1e6 / static_cast<double>(timing.blocks) : 0.0;
    std::printf("trace hour: %.0f min at %d ms, %u baud, fed from a recorded run\n", minutes, period, kBaud);
    std::printf("  blocks fed                     %lld of %lld\n", served(), blocks);
    std::printf("  samples kept in the history    %zu of %lld  (%s)\n", kept, samples,
                static_cast<long long>(kept) == samples ? "all" : "SOME MISSING");
    std::printf("  samples plotted                %lld\n", plotted);
    std::printf("  feeding took                   %.1f s\n", feedSeconds);
    std::printf("  memory taken by the run        %.1f MB  (target under 200 MB)\n", after - before);
    std::printf("  full replot, four channels     %.2f ms  (target under 50 ms)\n", replotMs);
    std::printf("  zoom step at full history      %.2f ms  (target under 50 ms)\n", zoomMs);
    std::printf("  full replot, whole hour shown  %.2f ms  (target under 50 ms)\n", wholeReplotMs);
    std::printf("  zoom step, whole hour shown    %.2f ms  (target under 50 ms)\n", wholeZoomMs);
    std::printf("  plot step per block            %.3f ms average, %.3f ms longest\n", perBlockMs,
                static_cast<double>(timing.longest.count()) / 1e6);
    std::printf("  longest user-interface stall   %lld ms over the last %lld blocks at %dx the real rate"
                "  (target under 50 ms)\n",
                longestStallMs, std::min(blocks, kPacedBlocks), kCompression);
    drive.StopWorkers({});
    if (const int failed = messages.failIfShown())
        return failed;
    if (static_cast<long long>(kept) != samples)
        return tarvex::bench::cannotMeasure("%zu of %lld samples kept", kept, samples);
    return 0;
}
