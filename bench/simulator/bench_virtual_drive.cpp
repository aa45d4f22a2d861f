// Prints the virtual drive's reply latency in instant mode (a scattered read
// of the 34 state variable addresses, from the request written to the reply
// complete on a raw client descriptor) and its CPU use while idle.
//
//   bench_virtual_drive [--quick]   (1000 exchanges and 3 s idle, quick 200 and 1 s)
#include "bench/bench_run.h"
#include "link/crc16.h"
#include "simulator/src/virtual_drive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int openClient(const std::string &device)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tcsetattr(fd, TCSANOW, &tio);
    return fd;
}

std::vector<std::uint8_t> stateBlockRequest()
{
    const bool wide[26] = {false, false, true, true, true, true, false, false, false, false, false, false, false,
                           true, false, true, false, false, false, false, false, false, false, true, true, false};
    std::vector<std::uint8_t> frame{0x00, 0x6A, 0x00};
    unsigned address = 206;
    for (bool w : wide) {
        for (unsigned a = address; a < address + (w ? 4u : 2u); a += 2) {
            frame.push_back(static_cast<std::uint8_t>(a >> 8));
            frame.push_back(static_cast<std::uint8_t>(a & 0xFF));
        }
        address += w ? 4 : 2;
    }
    frame[2] = static_cast<std::uint8_t>(frame.size() - 3);
    const std::size_t body = frame.size();
    frame.resize(body + 2);
    vq::modbus::appendCrc(frame.data(), body);
    return frame;
}

bool exchange(int fd, const std::vector<std::uint8_t> &request, std::size_t replyLength)
{
    if (::write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
        return false;
    std::size_t got = 0;
    std::uint8_t buffer[512];
    while (got < replyLength) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 1000) <= 0)
            return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            got += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    using tarvex::bench::cannotMeasure;
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    vq::sim::DriveOptions options;
    options.paced = false;
    vq::sim::VirtualDrive drive(options);
    std::string error;
    if (!drive.start(error))
        return cannotMeasure("the virtual drive did not start: %s", error.c_str());
    const int fd = openClient(drive.devicePath());
    if (fd < 0)
        return cannotMeasure("cannot open %s", drive.devicePath().c_str());
    const auto request = stateBlockRequest();
    const std::size_t replyLength = 5 + request[2];
    std::vector<double> micros;
    for (int i = 0; i < (quick ? 200 : 1000); ++i) {
        const auto start = Clock::now();
        if (!exchange(fd, request, replyLength))
            return cannotMeasure("exchange %d failed", i);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf("scattered read of 34 addresses, instant mode, %zu exchanges:\n", micros.size());
    std::printf("  median %.1f us, 95th percentile %.1f us, worst %.1f us (target: median under 1000 us)\n",
                micros[micros.size() / 2], micros[micros.size() * 95 / 100], micros.back());

    // Idle: nobody talks, nothing runs.
    const double idleSeconds = quick ? 1.0 : 3.0;
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    std::printf("idle for %.1f s: CPU %.3f %% of a core (target: under 1 %%)\n", wall, 100.0 * cpu / wall);

    // Idle with the servo on and a resonance: the model is caught up lazily
    // by whoever asks next, so this costs nothing until then either.
    drive.setResonance(true, 600);
    std::vector<std::uint8_t> servoOn{0x00, 0x06, 0x10, 0x56, 0x00, 0x01, 0, 0};
    vq::modbus::appendCrc(servoOn.data(), 6);
    if (!exchange(fd, servoOn, 8))
        return cannotMeasure("the drive did not answer the servo on");
    const double cpuBusy = cpuSeconds();
    const auto wallBusy = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(idleSeconds));
    const auto catchUpStart = Clock::now();
    (void)drive.registerValue(206); // catches 3 s up in 0.2 ms steps
    const double catchUpMs = std::chrono::duration<double, std::milli>(Clock::now() - catchUpStart).count();
    const double cpu2 = cpuSeconds() - cpuBusy;
    const double wall2 = std::chrono::duration<double>(Clock::now() - wallBusy).count();
    std::printf("unpolled for %.1f s then caught up: %.2f ms to catch up, CPU %.3f %% of a core overall\n", wall2,
                catchUpMs, 100.0 * cpu2 / wall2);
    ::close(fd);
    drive.stop();
    return 0;
}
