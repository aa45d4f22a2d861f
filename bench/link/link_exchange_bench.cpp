// Time of one exchange through the link library over a pseudo-terminal,
// against a responder that paces its bytes as a serial line at the baud rate
// would (ten bit times per byte). For each exchange it prints the median, the
// time the protocol's fixed waits plus the wire time account for, and the
// overhead between them.
//
//   link_exchange_bench [repetitions]
#include "pty_responder.h"
#include "vq_communication.h"

#include "modbus_frame.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

using vq::test::Bytes;
using vq::test::PtyResponder;

namespace {

Bytes answer(const Bytes &request)
{
    const std::uint8_t node = request[0];
    switch (request[1]) {
    case 0x03:
        return PtyResponder::readReply(node, std::vector<std::uint16_t>(request[5], 0x1234));
    case 0x06:
        return request;
    case 0x6A: {
        Bytes reply{node, 0x6A, request[2]};
        reply.resize(3 + request[2], 0x42);
        return PtyResponder::withCrc(reply);
    }
    case 0x64: {
        Bytes block{node, 0x64};
        block.resize(2 + 240, 0x11);
        return PtyResponder::withCrc(block);
    }
    default:
        return {};
    }
}

// The protocol's own timeline for one exchange: 5 ms before the send, the
// extra wait of a scattered read, 40 ms before the first poll, then polls of
// 5 ms (plus 10 ms when nothing waits) until the whole reply has arrived. The
// reply's bytes arrive after the request's wire time, one per byte time.
double modelMs(int requestBytes, int replyBytes, unsigned baud, double extraMs)
{
    const double byteMs = 10'000.0 / baud;
    const double sentAt = 5.0;
    auto arrivedBy = [&](double t) {
        const double first = sentAt + requestBytes * byteMs;
        if (t < first)
            return 0;
        return std::min(replyBytes, static_cast<int>((t - first) / byteMs));
    };
    // The count is taken before each poll's 5 ms wait; right after a read it
    // usually finds nothing yet, which costs an empty poll while the reply is
    // still trickling in.
    double t = sentAt + extraMs + 40.0;
    int received = 0;
    for (;;) {
        const int queued = arrivedBy(t) - received;
        t += 5.0;
        if (queued == 0) {
            t += 10.0;
            continue;
        }
        received = arrivedBy(t);
        if (received >= replyBytes)
            return t;
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(3, std::atoi(argv[1])) : 25;
    std::printf("%-28s %6s %10s %10s %10s\n", "exchange", "baud", "median ms", "model ms",
                "overhead");
    for (unsigned baud : {19200u, 57600u}) {
        PtyResponder drive(answer, baud);
        CommCreate();
        CommInitDevice(0, drive.device().c_str(), baud, VQ_NO_EVENT);
        if (CommConnect(VQ_NO_EVENT) != 1) {
            std::fprintf(stderr, "cannot open %s\n", drive.device().c_str());
            return 1;
        }
        std::uint8_t data[512];
        std::uint8_t status = 0;
        ScatteredRequest scattered{};
        for (int i = 0; i < 34; ++i)
            scattered.addresses[i] = static_cast<std::uint16_t>(206 + 2 * i);
        scattered.byteCount = 68;
        const std::uint16_t word = 1;

        struct Case {
            const char *name;
            int requestBytes, replyBytes;
            double extraMs;
            std::function<void()> call;
        };
        const Case cases[] = {
            {"read 2 registers", 8, 9, 0, [&] { CommRdMtRegister(206, 2, data, &status); }},
            {"write 1 register", 8, 8, 0, [&] { CommWrSgRegister(158, word, &status); }},
            {"scattered read, 34 addresses", 5 + 68, 5 + 68, 50,
             [&] { CommRdEachRegister(scattered, data, &status); }},
            {"trace read, 4 blocks", 5, 244, 0, [&] { CommRdTraceData(4, data, &status, 2); }},
        };
        for (const Case &c : cases) {
            std::vector<double> times;
            for (int i = 0; i < repetitions; ++i) {
                const auto start = std::chrono::steady_clock::now();
                c.call();
                times.push_back(std::chrono::duration<double, std::milli>(
                                    std::chrono::steady_clock::now() - start)
                                    .count());
                if (status != 0) {
                    std::fprintf(stderr, "%s: status %d\n", c.name, status);
                    return 1;
                }
            }
            const double med = median(times);
            const double model = modelMs(c.requestBytes, c.replyBytes, baud, c.extraMs);
            std::printf("%-28s %6u %10.2f %10.2f %10.2f\n", c.name, baud, med, model, med - model);
        }
        CommDestroy();
    }
    return 0;
}
