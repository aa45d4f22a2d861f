// A link library that replays a recorded trace instead of talking to a
// drive: every register read answers zeros, every write is taken, and the
// trace buffer hands out the blocks of a run one by one, in the drive's wire
// layout, as fast as they are fetched. The benchmark loads it in place of
// the real library so that an hour of trace passes through the real window
// (worker, display ring, plot step, history) in well under an hour.
//
// Channel 1 carries the sample counter, channel 2 a speed swinging between
// +-3000 rpm, channel 3 a torque, channel 4 the DC link in tenths of a volt.
#include "vq_communication.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>

namespace {

std::atomic<long long> blocksLeft{0};
std::atomic<long long> blocksServed{0};
std::atomic<int> connected{0};
std::atomic<long long> intervalUs{0};
std::atomic<long long> nextReadyUs{0};
std::atomic<int> heartbeat{-1};

// The real library signals the heartbeat at every exchange; without it the
// link watchdog would take the replay for a stalled link and end the trace.
void beat()
{
    const int event = heartbeat.load();
    const std::uint64_t one = 1;
    if (event >= 0 && write(event, &one, sizeof one) < 0) {
        // A full counter still wakes the watchdog.
    }
}

long long nowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void putValue(std::uint8_t *bytes, int at, int value)
{
    const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(value));
    bytes[2 * at] = static_cast<std::uint8_t>(word >> 8);
    bytes[2 * at + 1] = static_cast<std::uint8_t>(word & 0xFF);
}

void recordedBlock(long long number, std::uint8_t *bytes)
{
    for (int j = 0; j < 30; ++j) {
        const long long sample = number * 30 + j;
        const double phase = static_cast<double>(sample) * 0.002;
        putValue(bytes, j, static_cast<int>(sample & 0x7FFF));
        putValue(bytes, 30 + j, static_cast<int>(3000 * std::sin(phase)));
        putValue(bytes, 60 + j, static_cast<int>(150 * std::cos(phase)));
        putValue(bytes, 90 + j, 3100 + static_cast<int>(sample % 7));
    }
}

} // namespace

extern "C" {

// How many blocks the recorded run holds; the count served so far.
VQ_COMM_EXPORT void RecordedTraceLoad(long long blocks)
{
    blocksLeft = blocks;
    blocksServed = 0;
}
// At most one block every `us` microseconds from now on (0: as fast as fetched).
VQ_COMM_EXPORT void RecordedTracePace(long long us) { intervalUs = us; }
VQ_COMM_EXPORT long long RecordedTraceServed(void) { return blocksServed.load(); }

VQ_COMM_EXPORT int32_t CommCreate(void) { return 1; }
VQ_COMM_EXPORT int32_t CommDestroy(void) { return 1; }
VQ_COMM_EXPORT int32_t CommInit(int32_t, uint32_t, uint32_t, VQEventHandle event)
{
    heartbeat = event;
    return 1;
}
VQ_COMM_EXPORT int32_t CommInitDevice(int32_t, const char *, uint32_t, VQEventHandle event)
{
    heartbeat = event;
    return 1;
}
VQ_COMM_EXPORT int32_t CommConnect(VQEventHandle event)
{
    if (event >= 0)
        heartbeat = event;
    connected = 1;
    return 1;
}
VQ_COMM_EXPORT int32_t CommDisConnect(void)
{
    connected = 0;
    return 1;
}
VQ_COMM_EXPORT int32_t CommIsConnect(void) { return connected.load(); }
VQ_COMM_EXPORT int32_t CommRdSgRegister(uint16_t, uint8_t *destination, uint8_t *status, int32_t)
{
    std::memset(destination, 0, 2);
    *status = VQ_STATUS_OK;
    return 2;
}
VQ_COMM_EXPORT int32_t CommRdMtRegister(uint16_t, int32_t count, uint8_t *destination, uint8_t *status)
{
    std::memset(destination, 0, static_cast<std::size_t>(2 * count));
    *status = VQ_STATUS_OK;
    return 2 * count;
}
// Mode 1 asks whether a block is ready (status 5: none), 2 fetches it and
// 4 acknowledges it.
VQ_COMM_EXPORT int32_t CommRdTraceData(int32_t, uint8_t *destination, uint8_t *status, uint8_t mode)
{
    beat();
    *status = VQ_STATUS_OK;
    if (mode == 1) {
        if (blocksLeft.load() <= 0 || nowUs() < nextReadyUs.load())
            *status = 5;
        return 0;
    }
    if (mode == 2) {
        recordedBlock(blocksServed.load(), destination);
        return 240;
    }
    if (mode == 4 && blocksLeft.load() > 0) {
        --blocksLeft;
        ++blocksServed;
        nextReadyUs = nowUs() + intervalUs.load();
    }
    return 0;
}
VQ_COMM_EXPORT int32_t CommRdEachRegister(ScatteredRequest request, uint8_t *destination, uint8_t *status)
{
    std::memset(destination, 0, request.byteCount);
    *status = VQ_STATUS_OK;
    return request.byteCount;
}
VQ_COMM_EXPORT int32_t CommWrSgRegister(uint16_t, int32_t, uint8_t *status)
{
    *status = VQ_STATUS_OK;
    return 1;
}
VQ_COMM_EXPORT int32_t CommWrMtRegister(uint16_t, int32_t, const uint16_t *, uint8_t *status)
{
    *status = VQ_STATUS_OK;
    return 1;
}
VQ_COMM_EXPORT int32_t CommExchangeBoot(void) { return 1; }
VQ_COMM_EXPORT int32_t CommLastOpenError(void) { return 0; }
VQ_COMM_EXPORT int32_t CommSetExchangeProfile(int32_t) { return 1; }
}
