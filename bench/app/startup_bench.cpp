// Start-up to a shown main window: the program's own steps (application
// object, frame with both libraries and the catalogue, panes) until the
// window is exposed, with the libraries and catalogue of the run directory.
// Each sample is a fresh process; a start that shows any box is no sample.
//
//   app_startup_bench [--quick] [samples]   (default 5, quick 2; target under 1.5 s)
#include "bench/bench_run.h"
#include "app/frame/main_frame.h"
#include "bench/recording_free_messages.h"
#include "app/frame/tarvex_app.h"

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// Seconds since this process was started, from the kernel's own record.
double secondsSinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string text;
    std::getline(stat, text);
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t i = close + 2; i < text.size(); ++i) {
        if (text[i] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += text[i];
        }
    }
    // Field 22 (starttime) is the 20th after the command name.
    if (fields.size() < 20)
        return -1;
    const double started = std::stod(fields[19]) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    return uptime - started;
}

int onceInThisProcess(int argc, char **argv)
{
    const auto mainEntered = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    app.setApplicationName(QStringLiteral("Tarvex_M9A"));
    tarvex::GXInit();
    tarvex::bench::CountingMessages messages;
    tarvex::FrameOptions options;
    options.messages = &messages;
    // The program finds its libraries beside itself; this one is elsewhere.
    options.programDirectory = tarvex::bench::runDirectory();
    tarvex::CMainFrame frame(std::move(options));
    frame.show();
    if (!QTest::qWaitForWindowExposed(&frame, 10000))
        return tarvex::bench::cannotMeasure("the window was never shown");
    const double sinceMain =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - mainEntered).count();
    if (const int failed = messages.failIfShown())
        return failed;
    std::printf("%.3f %.3f\n", secondsSinceProcessStart(), sinceMain);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 1 && std::string(argv[1]) == "--once")
        return onceInThisProcess(argc, argv);

    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const int samples = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 100) : quick ? 2 : 5;
    std::vector<double> fromProcess;
    std::vector<double> fromMain;
    for (int i = 0; i < samples; ++i) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return tarvex::bench::cannotMeasure("no pipe to the sample process");
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(pipeFds[1], STDOUT_FILENO);
            ::close(pipeFds[0]);
            char once[] = "--once";
            char *args[] = {argv[0], once, nullptr};
            ::execv(argv[0], args);
            std::_Exit(127);
        }
        ::close(pipeFds[1]);
        char line[128] = {};
        const ssize_t n = ::read(pipeFds[0], line, sizeof line - 1);
        ::close(pipeFds[0]);
        int status = 0;
        ::waitpid(child, &status, 0);
        double process = 0;
        double sinceMain = 0;
        if (n <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
            std::sscanf(line, "%lf %lf", &process, &sinceMain) != 2)
            return tarvex::bench::cannotMeasure("start-up sample %d failed", i + 1);
        fromProcess.push_back(process);
        fromMain.push_back(sinceMain);
    }
    std::sort(fromProcess.begin(), fromProcess.end());
    std::sort(fromMain.begin(), fromMain.end());
    std::printf("start-up to a shown main window, %d samples (target under 1.5 s)\n", samples);
    std::printf("  from process start: median %.3f s, worst %.3f s\n",
                fromProcess[fromProcess.size() / 2], fromProcess.back());
    std::printf("  from main():        median %.3f s, worst %.3f s\n",
                fromMain[fromMain.size() / 2], fromMain.back());
    return 0;
}
