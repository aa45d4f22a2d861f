#include "tests/support/pty_responder.h"

#include "link/crc16.h"
#include "link/modbus_frame.h"

namespace vq::test {

PtyResponder::PtyResponder(Handler handler, unsigned pacedBaud)
    : handler_(std::move(handler)), pacedBaud_(pacedBaud), thread_([this] { serve(); })
{
}

PtyResponder::~PtyResponder()
{
    stop_ = true;
    thread_.join();
}

std::vector<Bytes> PtyResponder::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t PtyResponder::requestCount() const
{
    std::lock_guard lock(mutex_);
    return requests_.size();
}

void PtyResponder::setHandler(Handler handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

Bytes PtyResponder::withCrc(Bytes frame)
{
    const std::uint16_t crc = modbus::crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

Bytes PtyResponder::readReply(std::uint8_t node, const std::vector<std::uint16_t> &values)
{
    Bytes frame{node, modbus::kReadRegisters, static_cast<std::uint8_t>(2 * values.size())};
    for (std::uint16_t v : values) {
        frame.push_back(static_cast<std::uint8_t>(v >> 8));
        frame.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    return withCrc(frame);
}

Bytes PtyResponder::exceptionReply(std::uint8_t node, std::uint8_t function, std::uint8_t code)
{
    return withCrc({node, static_cast<std::uint8_t>(function | modbus::kExceptionBit), code});
}

void PtyResponder::serve()
{
    Bytes pending;
    std::uint8_t chunk[512];
    while (!stop_) {
        const int n = pty_.read(chunk, sizeof chunk, 20);
        if (n <= 0)
            continue;
        pending.insert(pending.end(), chunk, chunk + n);
        for (;;) {
            const auto length = modbus::requestLength(pending.data(), pending.size());
            if (!length)
                break;
            if (*length == 0 || *length > pending.size()) {
                if (*length == 0)
                    pending.clear(); // unknown function: drop the line's contents
                break;
            }
            Bytes request(pending.begin(), pending.begin() + static_cast<long>(*length));
            pending.erase(pending.begin(), pending.begin() + static_cast<long>(*length));
            Handler handler;
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
                handler = handler_;
            }
            const Bytes reply = handler ? handler(request) : Bytes{};
            if (reply.empty())
                continue;
            const unsigned baud = pacedBaud_;
            if (baud) {
                // The request itself took its wire time to arrive.
                std::this_thread::sleep_for(std::chrono::nanoseconds(
                    sim::byteTimeNs(baud) * static_cast<long long>(request.size())));
                pty_.writePaced(reply.data(), reply.size(), baud);
            } else {
                pty_.write(reply.data(), reply.size());
            }
        }
    }
}

} // namespace vq::test
