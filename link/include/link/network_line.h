// A drive behind a serial device server, reached over TCP: the same byte
// pipe as a serial port, so the frames, waits, retries and checks of the
// link stay as they are. The connection is non-blocking and every wait on
// it is bounded; a connection the server closed or reset reads as a failed
// line, never as a quiet one. With RFC 2217 the telnet layer is taken off
// the bytes here and the line is set to the rate asked for, 8N1.
#pragma once

#include "link/network_address.h"
#include "link/src/byte_pipe.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace vq::link {

class TelnetCodec;

class NetworkLine final : public BytePipe {
public:
    NetworkLine();
    ~NetworkLine() override;
    NetworkLine(const NetworkLine &) = delete;
    NetworkLine &operator=(const NetworkLine &) = delete;

    // How long connecting, and the server's confirmation of the line
    // settings, may take before the open gives up.
    static constexpr int kConnectLimitMs = 3000;
    static constexpr int kSettingsLimitMs = 2000;

    // Connects, and with RFC 2217 sets the line to `baud`. False with
    // lastError() set to the errno: ENXIO for a host that does not resolve,
    // ETIMEDOUT for no answer in time, EPROTONOSUPPORT for a server that
    // refuses the COM port option.
    bool open(const NetworkAddress &address, unsigned baud);
    void close();
    bool isOpen() const;
    int lastError() const { return lastError_; }

    int waiting() override;
    int read(std::uint8_t *into, int max) override;
    bool write(const std::uint8_t *bytes, int length) override;
    void waitUntilSent(unsigned limitMs) override;
    int waitReadable(unsigned timeoutMs) override;
    void purge() override;

private:
    bool connectTo(const NetworkAddress &address);
    bool settleLineSettings(unsigned baud);
    // Moves what the socket holds into the input queue; false once the
    // connection is gone.
    bool pull();
    bool sendAll(const std::uint8_t *bytes, std::size_t length);
    void closeSocket();

    mutable std::mutex mutex_;
    int fd_ = -1;
    int lastError_ = 0;
    bool lost_ = false; // the server closed or reset the connection
    std::unique_ptr<TelnetCodec> telnet_; // null for raw TCP
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> scratch_;
};

} // namespace vq::link
