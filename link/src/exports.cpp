// The exported functions of the drive link library. Every register operation
// runs its whole attempt loop under the library lock, so one operation's
// retries are never interleaved with another thread's exchange.
#include "link/src/link_instance.h"
#include "link/src/link_statistics.h"
#include "vq_communication.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

using vq::link::ExchangeResult;
using vq::link::LinkInstance;
namespace modbus = vq::modbus;

namespace {

std::mutex g_libraryLock;
std::atomic<LinkInstance *> g_instance{nullptr};
std::atomic<vq::link::ExchangeProfile> g_profile{vq::link::ExchangeProfile::Specified};
int g_attemptCounter = 0; // touched only under g_libraryLock
// Outlives every instance, so that a reader on another thread never meets a
// freed one.
vq::link::LinkStatistics g_statistics;

constexpr int kAttempts = 8;
constexpr int kAttemptsQuickRead = 2;
constexpr int kTraceAttempts = 11;

enum class Retry { Normal, Trace };

// Runs `exchange` until it is accepted or `limit` attempts have been made.
// The trace read also stops at exception 5 (no block ready yet).
template <class Exchange>
int runAttempts(int limit, Retry retry, std::uint8_t *status, Exchange &&exchange)
{
    std::lock_guard lock(g_libraryLock);
    if (retry == Retry::Normal)
        *status = VQ_STATUS_NOT_ATTEMPTED;
    g_attemptCounter = 0;
    int result = 0;
    int exchanges = 0;
    LinkInstance *operationLink = g_instance.load();
    if (operationLink)
        operationLink->exchanger().beginOperation();
    for (;;) {
        std::this_thread::yield();
        if (LinkInstance *link = g_instance.load()) {
            if (const auto outcome = exchange(*link)) {
                result = outcome->result;
                *status = outcome->status;
                ++exchanges;
            }
        }
        if (*status == VQ_STATUS_OK)
            break;
        if (retry == Retry::Trace && *status == 5)
            break;
        if (g_attemptCounter + 1 >= limit)
            break;
        ++g_attemptCounter;
    }
    if (operationLink)
        operationLink->exchanger().endOperation(*status == VQ_STATUS_OK ||
                                                (retry == Retry::Trace && *status == 5));
    g_statistics.recordOperation(exchanges);
    return result;
}

// Calls that cannot be framed within the 257-byte buffers are refused before
// anything is sent.
int32_t refused(std::uint8_t *status)
{
    if (status)
        *status = VQ_STATUS_NOT_ATTEMPTED;
    return 0;
}

} // namespace

extern "C" {

int32_t CommCreate(void)
{
    LinkInstance *expected = nullptr;
    auto *fresh = new LinkInstance;
    fresh->exchanger().setProfile(g_profile.load());
    fresh->exchanger().setStatistics(&g_statistics);
    if (!g_instance.compare_exchange_strong(expected, fresh)) {
        delete fresh;
        return 0;
    }
    return 1;
}

int32_t CommDestroy(void)
{
    // Waits for an operation in progress on another thread, so the instance
    // is never freed under it.
    std::lock_guard lock(g_libraryLock);
    LinkInstance *link = g_instance.exchange(nullptr);
    if (!link)
        return 0;
    link->closePort();
    delete link;
    return 1;
}

int32_t CommInitDevice(int32_t node, const char *device, uint32_t baud, VQEventHandle event)
{
    LinkInstance *link = g_instance.load();
    if (!link)
        return 0;
    link->configure(static_cast<std::uint8_t>(node & 0xFF), device ? device : "", baud, event);
    return 1;
}

int32_t CommInit(int32_t node, uint32_t port, uint32_t baud, VQEventHandle event)
{
    return CommInitDevice(node, LinkInstance::deviceForPortNumber(port).c_str(), baud, event);
}

int32_t CommConnect(VQEventHandle event)
{
    LinkInstance *link = g_instance.load();
    if (!link)
        return 0;
    link->setEvent(event);
    if (!link->isOpen())
        g_statistics.reset(); // the statistics are the connection's
    return link->openPort() ? 1 : 0;
}

int32_t CommDisConnect(void)
{
    LinkInstance *link = g_instance.load();
    if (!link)
        return 0;
    link->closePort();
    return 1;
}

int32_t CommIsConnect(void)
{
    LinkInstance *link = g_instance.load();
    return (link && link->isOpen()) ? 1 : 0;
}

int32_t CommRdSgRegister(uint16_t address, uint8_t *destination, uint8_t *status,
                         int32_t attemptMode)
{
    if (!status || !destination)
        return refused(status);
    const int limit = attemptMode != 0 ? kAttempts : kAttemptsQuickRead;
    return runAttempts(limit, Retry::Normal, status,
                       [&](LinkInstance &link) -> std::optional<ExchangeResult> {
                           if (!link.isOpen())
                               return std::nullopt; // nothing is sent on a closed port
                           return link.exchanger().readRegisters(address, 1, destination);
                       });
}

int32_t CommRdMtRegister(uint16_t address, int32_t count, uint8_t *destination, uint8_t *status)
{
    if (!status || !destination || count < 1 || count > modbus::kMaxReadCount)
        return refused(status);
    return runAttempts(kAttempts, Retry::Normal, status,
                       [&](LinkInstance &link) -> std::optional<ExchangeResult> {
                           return link.exchanger().readRegisters(address, count, destination);
                       });
}

int32_t CommRdTraceData(int32_t blocks, uint8_t *destination, uint8_t *status, uint8_t mode)
{
    const bool shortReply = mode == 1 || mode == 4;
    if (!status || !destination || (!shortReply && (blocks < 1 || blocks > modbus::kMaxTraceBlocks)))
        return refused(status);
    return runAttempts(kTraceAttempts, Retry::Trace, status,
                       [&](LinkInstance &link) -> std::optional<ExchangeResult> {
                           link.traceMode = mode;
                           return link.exchanger().readTrace(link.traceMode, blocks, destination);
                       });
}

int32_t CommRdEachRegister(ScatteredRequest request, uint8_t *destination, uint8_t *status)
{
    const int n = request.byteCount;
    if (!status || !destination || n > modbus::kMaxScatteredBytes || (n % 2) != 0)
        return refused(status);
    return runAttempts(kAttempts, Retry::Normal, status,
                       [&](LinkInstance &link) -> std::optional<ExchangeResult> {
                           return link.exchanger().scatteredRead(request.addresses, n, destination);
                       });
}

int32_t CommWrSgRegister(uint16_t address, int32_t value, uint8_t *status)
{
    if (!status)
        return refused(status);
    const auto word = static_cast<std::uint16_t>(value & 0xFFFF);
    return runAttempts(kAttempts, Retry::Normal, status,
                       [&](LinkInstance &link) -> std::optional<ExchangeResult> {
                           return link.exchanger().writeSingle(address, word);
                       });
}

int32_t CommWrMtRegister(uint16_t address, int32_t count, const uint16_t *source, uint8_t *status)
{
    if (!status || !source || count < 1 || count > modbus::kMaxWriteCount)
        return refused(status);
    return runAttempts(kAttempts, Retry::Normal, status,
                       [&](LinkInstance &link) -> std::optional<ExchangeResult> {
                           return link.exchanger().writeMultiple(address, source, count);
                       });
}

int32_t CommExchangeBoot(void)
{
    return 0; // the firmware upgrader drives the boot loader over its own port
}

int32_t CommSetExchangeProfile(int32_t profile)
{
    if (profile != VQ_PROFILE_SPECIFIED && profile != VQ_PROFILE_FAST)
        return 0;
    const auto chosen = static_cast<vq::link::ExchangeProfile>(profile);
    // Under the lock, so that no exchange changes its waits half-way.
    std::lock_guard lock(g_libraryLock);
    g_profile = chosen;
    if (LinkInstance *link = g_instance.load())
        link->exchanger().setProfile(chosen);
    return 1;
}

int32_t CommGetStatistics(VQLinkStatistics *out)
{
    if (!out || out->size < 8)
        return 0;
    const VQLinkStatistics now = g_statistics.snapshot();
    const std::uint32_t asked = out->size;
    // A caller built against a shorter or longer struct gets what both know.
    std::memcpy(out, &now, std::min<std::size_t>(asked, sizeof now));
    out->size = asked;
    return 1;
}

int32_t CommResetStatistics(void)
{
    g_statistics.reset();
    return 1;
}

int32_t CommReadFrameLog(uint64_t after, VQFrameLogEntry *entries, int32_t capacity)
{
    return g_statistics.readLog(after, entries, capacity);
}

int32_t CommLastOpenError(void)
{
    LinkInstance *link = g_instance.load();
    return link ? link->lastOpenError() : 0;
}

} // extern "C"
