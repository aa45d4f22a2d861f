// How the user-interface thread fares while the parameter window's All Read
// runs against a drive that answers late: a 5 ms timer records the gaps
// between its ticks, the longest of which is the longest time the program
// could not react. Then All Read again, with Cancel clicked while a group is
// being read, and the time from the click until the command has ended.
//
//   parameter_ui_stall_bench [--quick] [late ms] [samples]   (defaults 200 and 3, quick 1 sample)
//   targets: longest stall under 100 ms; Cancel within about one exchange
//            (All Read's time shared among its exchanges)
#include "app/ui/drive_work_box.h"
#include "bench/parameters/parameter_bench_drive.h"
#include "app/parameters/parameter_dlg.h"
#include "app/ui/ui_wait.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double stallMs(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double largest(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// Ticks every 5 ms while it lives and keeps the longest gap between ticks.
class StallRecorder {
public:
    StallRecorder()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        last_ = Clock::now();
        timer_.start();
    }
    void tick()
    {
        const auto now = Clock::now();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
        ++ticks_;
        if (onTick)
            onTick();
    }
    // The gap still open counts too: a command that ends stalled was stalled.
    double longestMs()
    {
        tick();
        return stallMs(longest_);
    }
    int ticks() const { return ticks_; }
    std::function<void()> onTick;

private:
    QTimer timer_;
    Clock::time_point last_;
    Clock::duration longest_{};
    int ticks_ = 0;
};

} // namespace

int main(int argc, char **argv)
{
    using namespace tarvex;
    bench::drawOffscreenByDefault();
    const bool quick = bench::takeQuickFlag(argc, argv);
    QApplication app(argc, argv);
    const int lateMs = argc > 1 ? std::clamp(std::atoi(argv[1]), 0, 300) : 200;
    const int samples = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 20) : quick ? 1 : 3;
    const std::unique_ptr<bench::ParameterBenchDrive> setup = bench::startParameterBenchDrive();
    if (!setup)
        return 1;
    DriveConnection &drive = setup->drive;
    vq::sim::VirtualDrive &sim = *setup->sim;
    // Each sample ends with one box of each.
    setup->messages.expect("All Read Success");
    setup->messages.expect("All Read Cancelled");

    auto *dialog = new CParameterDlg(drive, runKeepingUiAlive);
    dialog->OnInitDialog();
    dialog->show();
    QCoreApplication::processEvents();
    sim.setReplyDelayMs(lateMs);
    QPushButton *allRead = dialog->button(CParameterDlg::IDC_ALL_READ);

    std::vector<double> stalls, readTimes, reactions;
    int ticks = 0;
    for (int s = 0; s < samples; ++s) {
        {
            StallRecorder recorder;
            const auto start = Clock::now();
            allRead->click();
            readTimes.push_back(stallMs(Clock::now() - start));
            stalls.push_back(recorder.longestMs());
            ticks += recorder.ticks();
        }
        {
            // Cancel while the third group is being read.
            StallRecorder recorder;
            std::optional<Clock::time_point> clicked;
            recorder.onTick = [&] {
                DriveWorkBox *box = dialog->workBox();
                if (!clicked && box && box->work().currentStep() >= 3) {
                    clicked = Clock::now();
                    box->cancelButton().click();
                }
            };
            allRead->click();
            if (clicked)
                reactions.push_back(stallMs(Clock::now() - *clicked));
        }
    }

    // The groups and the version register.
    const int exchanges = static_cast<int>(parameters::readOrder(dialog->factoryGroupShown()).size()) + 1;
    delete dialog;
    drive.StopWorkers({});
    if (const int failed = setup->messages.failIfShown())
        return failed;
    if (ticks == 0)
        return bench::cannotMeasure("the user-interface timer never ticked");
    if (reactions.size() != static_cast<std::size_t>(samples))
        return bench::cannotMeasure("Cancel was not reached in %zu of %d samples",
                                    static_cast<std::size_t>(samples) - reactions.size(), samples);

    std::printf("parameter window All Read, drive answering %d ms late, 19200 baud, %d samples\n", lateMs, samples);
    std::printf("  All Read:                               %8.1f ms (longest)\n", largest(readTimes));
    std::printf("  longest gap between 5 ms UI ticks:      %8.1f ms  (target under 100 ms)\n", largest(stalls));
    std::printf("  UI ticks during the reads:              %8d\n", ticks);
    std::printf("  Cancel clicked to command ended:        %8.1f ms (longest; target within about one exchange, "
                "%.1f ms here)\n",
                largest(reactions), largest(readTimes) / exchanges);
    return 0;
}
