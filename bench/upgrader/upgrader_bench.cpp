// Reading and formatting a full-size firmware image, and a download into
// the virtual drive's boot loader pacing its bytes at 115200 baud against the
// least time the line allows, with where the rest goes.
//
//   upgrader_bench [--quick] [rows to download]   (default 64, quick 16)
#include "bench/bench_run.h"
#include "drive/firmware/boot_session.h"
#include "drive/firmware/firmware_image.h"
#include "simulator/src/virtual_drive.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Every program row set: 1,536 rows of 512 instructions, 16 bytes a record.
std::string fullImage(int rows)
{
    std::ostringstream hex;
    char line[64];
    for (long byte = 0; byte < static_cast<long>(rows) * 2048; byte += 16) {
        if (byte % 0x10000 == 0) {
            const int upper = static_cast<int>(byte >> 16);
            std::snprintf(line, sizeof line, ":02000004%04X%02X\r\n", upper,
                          (0x100 - ((2 + 4 + (upper >> 8) + (upper & 0xFF)) & 0xFF)) & 0xFF);
            hex << line;
        }
        int sum = 16 + static_cast<int>((byte >> 8) & 0xFF) + static_cast<int>(byte & 0xFF);
        std::snprintf(line, sizeof line, ":10%04X00", static_cast<int>(byte & 0xFFFF));
        hex << line;
        for (int i = 0; i < 16; ++i) {
            const int b = i % 4 == 3 ? 0 : static_cast<int>((byte + i) & 0xFF);
            sum += b;
            std::snprintf(line, sizeof line, "%02X", b);
            hex << line;
        }
        std::snprintf(line, sizeof line, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
        hex << line;
    }
    hex << ":00000001FF\r\n";
    return hex.str();
}

} // namespace

int main(int argc, char **argv)
{
    using tarvex::bench::cannotMeasure;
    const bool quick = tarvex::bench::takeQuickFlag(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::min(1536, std::atoi(argv[1]))) : quick ? 16 : 64;
    const std::string full = fullImage(1536);
    double best = 1e9;
    for (int round = 0; round < (quick ? 2 : 5); ++round) {
        const auto start = std::chrono::steady_clock::now();
        upgrader::FirmwareImage image;
        std::istringstream in(full);
        if (image.read(in) != upgrader::HexResult::Ok)
            return cannotMeasure("the generated image did not read");
        const std::uint8_t jump[6] = {0x04, 0, 2, 0, 0, 0};
        image.overlayResetJump(jump);
        image.formatRows();
        best = std::min(best, msSince(start));
    }
    std::printf("read and format a full image (1536 program rows, %zu bytes of HEX): %.1f ms (target: under 100 ms)\n",
                full.size(), best);

    vq::sim::DriveOptions options;
    options.paced = true;
    vq::sim::VirtualDrive drive(options);
    std::string error;
    if (!drive.start(error))
        return cannotMeasure("the virtual drive did not start: %s", error.c_str());
    upgrader::BootPort port;
    port.setPortName(drive.devicePath());
    upgrader::BootSession session(port, [](const std::string &text) { std::fprintf(stderr, "%s\n", text.c_str()); });
    if (!session.probeApplication() || !session.enterBootLoader(true))
        return cannotMeasure("the boot loader did not answer");
    const auto path = std::filesystem::temp_directory_path() / "upgrader-bench.hex";
    std::ofstream(path, std::ios::binary) << fullImage(rows);
    const auto start = std::chrono::steady_clock::now();
    const int result = session.download(path.string());
    const double took = msSince(start);
    std::filesystem::remove(path);
    if (result != upgrader::kCompleted)
        return cannotMeasure("the download ended with %d", result);
    if (session.rowsWritten() == 0)
        return cannotMeasure("the download wrote no row");
    // The least a download can take at 115200 baud (ten bit times a byte):
    // the fixed 250 ms wait after the read-back request, which the read-back's
    // own 1,540 bytes (134 ms) fit into; every row's 1,540 bytes and its
    // one-byte answer; the reset byte and the fixed 50 ms after it.
    const double byteMs = 10'000.0 / 115200.0;
    const int written = session.rowsWritten();
    const double rowWire = 1541.0 * byteMs;
    const double bound = 250.0 + written * rowWire + byteMs + 50.0;
    // A row's answer is looked for right after the write and then every
    // 20 ms, so it is seen on the first poll after it arrived.
    const double pollStep = 20.0;
    const double polling = written * (std::ceil(rowWire / pollStep) * pollStep - rowWire);
    std::printf("download of %d rows at 115200 baud, paced: %.0f ms against the least it can take %.0f ms "
                "(wire %.0f ms + fixed waits 300 ms): overhead %.1f %% (target: within 10 %%)\n",
                written, took, bound, bound - 300.0, (took / bound - 1.0) * 100.0);
    std::printf("  of the %.0f ms overhead: %.0f ms waiting for the next 20 ms answer poll (%.1f ms a row), "
                "%.0f ms the rest (%.2f ms a row: thread wake-ups, pseudo-terminal, drive)\n",
                took - bound, polling, polling / written, took - bound - polling,
                (took - bound - polling) / written);
    drive.stop();
    return 0;
}
