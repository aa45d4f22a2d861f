// The parameter window's opening against the virtual drive pacing its bytes
// at 19200 baud: All Read of every shown group (and the version register)
// as the window runs it, beside the same link calls made bare in a loop;
// the grid filling from the catalogue; the display of the values read; and
// the time until the window is shown with its grids filled.
//
//   parameter_window_bench [--quick] [samples]   (default 5, quick 2)
//   targets: the window's All Read within 10 % of the bare link calls,
//            grid filling under 100 ms
#include "bench/parameters/parameter_bench_drive.h"
#include "drive/parameters/parameter_catalogue.h"
#include "app/parameters/parameter_dlg.h"
#include "app/ui/ui_wait.h"

#include <QApplication>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Block {
    std::uint16_t first;
    int count;
};

} // namespace

int main(int argc, char **argv)
{
    using namespace tarvex;
    bench::drawOffscreenByDefault();
    const bool quick = bench::takeQuickFlag(argc, argv);
    QApplication app(argc, argv);
    const int samples = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 100) : quick ? 2 : 5;
    const std::unique_ptr<bench::ParameterBenchDrive> setup = bench::startParameterBenchDrive();
    if (!setup)
        return 1;
    DriveConnection &drive = setup->drive;
    bench::CountingMessages &messages = setup->messages;
    const vq::sim::DriveOptions &options = setup->options;

    // The blocks the window reads, from the catalogue as the window sees it.
    std::vector<Block> blocks;
    double wireMs = 0;
    for (int g : parameters::readOrder(false)) {
        parameters::GroupCatalogue group;
        if (!parameters::loadGroupCatalogue(drive.database(), g, group, messages))
            return bench::cannotMeasure("group %d is not in the catalogue", g);
        blocks.push_back({static_cast<std::uint16_t>(drive.database().GetFrPrmAddrInGrp(g)), group.registerCount});
        // Request of 8 bytes, reply of 5 + 2n, ten bits a byte, and the drive's reaction.
        wireMs += (8.0 + 5.0 + 2.0 * group.registerCount) * 10.0 / 19.2 + options.responseDelayUs / 1000.0;
    }
    wireMs += (8.0 + 7.0) * 10.0 / 19.2 + options.responseDelayUs / 1000.0; // the version register

    std::vector<double> bare, windowRead, inLinkCalls, display, fill, shown;
    for (int s = 0; s < samples; ++s) {
        // The same link calls, bare.
        const auto bareStart = Clock::now();
        for (const Block &block : blocks) {
            std::uint8_t buffer[256];
            std::uint8_t status = 1;
            drive.link().RdMtRegister(block.first, block.count, buffer, &status);
            if (status != 0)
                return bench::cannotMeasure("bare read at %u: status %u", block.first, status);
        }
        std::uint8_t version[2];
        std::uint8_t status = 1;
        drive.link().RdSgRegister(62, version, &status, 1);
        if (status != 0)
            return bench::cannotMeasure("bare read of the version: status %u", status);
        bare.push_back(ms(Clock::now() - bareStart));

        // The window's opening.
        Clock::duration linkTime{};
        const auto runner = [&](const std::function<void()> &call) {
            const auto start = Clock::now();
            runKeepingUiAlive(call);
            linkTime += Clock::now() - start;
        };
        std::optional<Clock::time_point> readsBegin, readsEnd;
        const auto opened = Clock::now();
        auto *dialog = new CParameterDlg(drive, runner);
        dialog->setProgressObserver([&](const QString &text) {
            if (!text.isEmpty() && !readsBegin)
                readsBegin = Clock::now();
            else if (text.isEmpty() && readsBegin && !readsEnd)
                readsEnd = Clock::now();
        });
        dialog->OnInitDialog();
        dialog->show();
        while (!dialog->windowHandle() || !dialog->windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
        const auto visible = Clock::now();
        if (!readsBegin || !readsEnd)
            return bench::cannotMeasure("the window did not read");
        windowRead.push_back(ms(*readsEnd - *readsBegin));
        inLinkCalls.push_back(ms(linkTime));
        display.push_back(ms(*readsEnd - *readsBegin - linkTime));
        fill.push_back(ms(*readsBegin - opened));
        shown.push_back(ms(visible - opened));
        delete dialog;
    }

    drive.StopWorkers({});
    if (const int failed = messages.failIfShown())
        return failed;
    const double bareMs = median(bare);
    const double readMs = median(windowRead);
    std::printf("parameter window at 19200 baud, %d samples (medians)\n", samples);
    std::printf("  wire time of the reads (estimate):     %8.1f ms\n", wireMs);
    std::printf("  bare link calls:                       %8.1f ms\n", bareMs);
    std::printf("  All Read in the window:                %8.1f ms  (%+.1f %% of the bare calls; target within 10 %%)\n",
                readMs, bareMs > 0 ? (readMs / bareMs - 1.0) * 100.0 : 0.0);
    std::printf("    of which in link calls:              %8.1f ms\n", median(inLinkCalls));
    std::printf("    of which value display:              %8.1f ms\n", median(display));
    std::printf("  grid filling from the catalogue:       %8.1f ms  (target under 100 ms)\n", median(fill));
    std::printf("  opening to the shown, filled window:   %8.1f ms\n", median(shown));
    return 0;
}
