// A scripted Modbus peer on a pseudo-terminal. It frames each request by its
// function code, asks the handler for a reply and sends it, at once or paced
// at a baud rate. Every request is recorded for the test to inspect.
#pragma once

#include "simulator/src/pseudo_terminal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vq::test {

using Bytes = std::vector<std::uint8_t>;

class PtyResponder {
public:
    // Returns the reply to send, or an empty vector for silence.
    using Handler = std::function<Bytes(const Bytes &request)>;

    explicit PtyResponder(Handler handler, unsigned pacedBaud = 0);
    ~PtyResponder();

    const std::string &device() const { return pty_.devicePath(); }
    // Requests received so far, in order.
    std::vector<Bytes> requests() const;
    std::size_t requestCount() const;
    void setHandler(Handler handler);
    void setPacing(unsigned baud) { pacedBaud_ = baud; }

    // A frame as a well-behaved slave would send it: the bytes plus their CRC.
    static Bytes withCrc(Bytes frame);
    // The reply to a 0x03 request holding the given register values.
    static Bytes readReply(std::uint8_t node, const std::vector<std::uint16_t> &values);
    static Bytes exceptionReply(std::uint8_t node, std::uint8_t function, std::uint8_t code);

private:
    void serve();

    sim::PseudoTerminal pty_;
    mutable std::mutex mutex_;
    Handler handler_;
    std::vector<Bytes> requests_;
    std::atomic<unsigned> pacedBaud_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace vq::test
