// The main frame monitoring the virtual drive (19200 baud, paced) with all
// 26 rows ticked: the longest stall of the user-interface thread, measured
// by a 1 ms timer, and the resident memory over the run.
//
//   app_monitoring_bench [--quick] [minutes]   (default 0.5, quick 0.1;
//       targets: stall under 50 ms, memory under 150 MB, no growth)
#include "bench/bench_run.h"
#include "app/frame/comm_set_dialog.h"
#include "app/frame/main_frame.h"
#include "bench/recording_free_messages.h"
#include "app/monitor/static_panes.h"
#include "app/frame/tarvex_app.h"

#ifdef TARVEX_HAVE_VIRTUAL_DRIVE
#include "simulator/src/virtual_drive.h"
#endif

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {

double residentMegabytes()
{
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

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
    const double minutes = argc > 1 ? std::clamp(std::atof(argv[1]), 0.05, 600.0) : quick ? 0.1 : 0.5;
    argc = 1;

    vq::sim::DriveOptions options;
    options.paced = true;
    options.lineSpeed = 19200;
    options.log = [](const std::string &) {};
    vq::sim::VirtualDrive sim(options);
    std::string error;
    if (!sim.start(error))
        return tarvex::bench::cannotMeasure("the virtual drive did not start: %s", error.c_str());

    QApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    app.setApplicationName(QStringLiteral("Tarvex_M9A"));
    tarvex::GXInit();
    tarvex::bench::CountingMessages messages;
    tarvex::FrameOptions frameOptions;
    frameOptions.messages = &messages;
    frameOptions.applyStoredLook = false;
    // The program finds its libraries beside itself; this one is elsewhere.
    frameOptions.programDirectory = tarvex::bench::runDirectory();
    tarvex::CMainFrame frame(std::move(frameOptions));
    frame.show();

    frame.OnCommand(tarvex::Command::CommunicationSetting);
    frame.commSetDialog().portField().setEditText(QString::fromStdString(sim.devicePath()));
    frame.commSetDialog().OnOK();
    frame.OnCommand(tarvex::Command::Connect);
    if (!frame.drive().isLinkOpen())
        return tarvex::bench::cannotMeasure("no connection to the virtual drive");
    frame.statusPane().dialog().grid().clickHeader(0, 1);
    frame.OnCommand(tarvex::Command::Start);

    // Let the first cycles settle, then measure.
    QElapsedTimer sinceLastTick;
    qint64 longestStall = 0;
    bool measuring = false;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (measuring)
            longestStall = std::max(longestStall, sinceLastTick.elapsed());
        sinceLastTick.restart();
    });
    sinceLastTick.start();
    ticker.start();

    std::vector<double> memory;
    QTimer sampler;
    sampler.setInterval(5000);
    QObject::connect(&sampler, &QTimer::timeout, [&] { memory.push_back(residentMegabytes()); });
    QTimer::singleShot(2000, [&] {
        measuring = true;
        memory.push_back(residentMegabytes());
        sampler.start();
    });
    bool stillMonitoring = false;
    QTimer::singleShot(2000 + static_cast<int>(minutes * 60000), [&] {
        memory.push_back(residentMegabytes());
        stillMonitoring = frame.state().monitorState() == tarvex::monitor_state::kRunning &&
                          frame.drive().isLinkOpen();
        ticker.stop();
        frame.close();
        QApplication::quit();
    });
    QApplication::exec();

    if (const int failed = messages.failIfShown())
        return failed;
    if (!stillMonitoring)
        return tarvex::bench::cannotMeasure("monitoring had stopped before the end of the run");
    std::printf("monitoring %.2f min, 26 rows ticked, 19200 baud paced\n", minutes);
    std::printf("  longest user-interface stall: %lld ms (target under 50 ms)\n",
                static_cast<long long>(longestStall));
    if (!memory.empty()) {
        const double first = memory.front();
        const double last = memory.back();
        const double peak = *std::max_element(memory.begin(), memory.end());
        std::printf("  resident memory: %.1f MB at start, %.1f MB at end, peak %.1f MB, growth %+.1f MB "
                    "(target under 150 MB, no growth)\n",
                    first, last, peak, last - first);
    }
    return 0;
#endif
}
