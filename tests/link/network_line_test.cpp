// The network line against a scripted telnet server on a loopback port:
// negotiation split anywhere in the stream is taken out, 0xFF data travels
// escaped both ways, the line settings go out before the first frame, and a
// server that goes away reads as a failed line instead of a quiet one.
#include "link/network_line.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kIac = 255;

class LoopbackServer {
public:
    LoopbackServer()
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        ::bind(listener_, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(listener_, 1);
        ::getsockname(listener_, reinterpret_cast<sockaddr *>(&a), &size);
        port = ntohs(a.sin_port);
    }
    ~LoopbackServer()
    {
        closeClient();
        ::close(listener_);
    }
    bool accept()
    {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 30000) != 1)
            return false;
        client_ = ::accept(listener_, nullptr, nullptr);
        return client_ >= 0;
    }
    void send(const Bytes &bytes) { ::send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Everything that has come until `count` bytes are in or the deadline.
    Bytes receive(std::size_t count)
    {
        Bytes got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{client_, POLLIN, 0};
            if (::poll(&p, 1, 100) == 1) {
                std::uint8_t b[256];
                const ssize_t n = ::recv(client_, b, sizeof b, 0);
                if (n <= 0)
                    break;
                got.insert(got.end(), b, b + n);
            }
        }
        return got;
    }
    void closeClient()
    {
        if (client_ >= 0)
            ::close(client_);
        client_ = -1;
    }
    std::uint16_t port = 0;

private:
    int listener_ = -1;
    int client_ = -1;
};

// Data bytes the line hands over within the deadline.
Bytes readData(vq::link::NetworkLine &line, std::size_t count)
{
    Bytes got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
        if (line.waitReadable(100) < 0)
            break;
        std::uint8_t b[64];
        const int n = line.read(b, sizeof b);
        if (n < 0)
            break;
        got.insert(got.end(), b, b + n);
    }
    return got;
}

} // namespace

TEST(NetworkLine, Rfc2217SetsTheLineFirstAndCarriesEscapedDataAroundNegotiation)
{
    LoopbackServer server;
    vq::link::NetworkLine line;
    std::thread opener;
    bool opened = false;
    opener = std::thread([&] {
        opened = line.open({vq::link::NetworkProtocol::Rfc2217, "127.0.0.1", server.port}, 57600);
    });
    ASSERT_TRUE(server.accept());
    // WILL COM-PORT, WILL BINARY, DO BINARY, then baud (57600 = 00 00 E1 00),
    // data size 8, parity none, one stop bit.
    const Bytes opening{kIac, 251, 44, kIac, 251, 0, kIac, 253, 0,
                        kIac, 250, 44, 1, 0, 0, 0xE1, 0, kIac, 240,
                        kIac, 250, 44, 2, 8, kIac, 240,
                        kIac, 250, 44, 3, 1, kIac, 240,
                        kIac, 250, 44, 4, 1, kIac, 240};
    EXPECT_EQ(server.receive(opening.size()), opening);
    // The server agrees and confirms the rate; the open waits for that.
    server.send({kIac, 253, 44, kIac, 251, 0, kIac, 250, 44, 101, 0, 0, 0xE1, 0, kIac, 240});
    opener.join();
    ASSERT_TRUE(opened) << line.lastError();

    // A frame holding 0xFF goes out doubled.
    const Bytes frame{0x00, 0x06, 0x00, 0x52, 0x00, 0xFF, 0xC9, 0xFF};
    ASSERT_TRUE(line.write(frame.data(), static_cast<int>(frame.size())));
    EXPECT_EQ(server.receive(10), (Bytes{0x00, 0x06, 0x00, 0x52, 0x00, kIac, kIac, 0xC9, kIac, kIac}));

    // A reply with an escaped 0xFF, split inside the escape, and an offer
    // of an unknown option split inside its command, between the bytes.
    server.send({0x00, 0x03, 0x02, kIac});
    std::this_thread::sleep_for(std::chrono::milliseconds(20)); // two segments, not one
    server.send({kIac, 0x10, kIac, 251});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    server.send({24, 0xB8, 0x44});
    EXPECT_EQ(readData(line, 7), (Bytes{0x00, 0x03, 0x02, 0xFF, 0x10, 0xB8, 0x44}));
    // The unknown option is declined, once.
    EXPECT_EQ(server.receive(3), (Bytes{kIac, 254, 24}));

    // The server goes away: the line fails, it does not just go quiet.
    server.closeClient();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int waiting = 0;
    while ((waiting = line.waiting()) == 0 && std::chrono::steady_clock::now() < end)
        line.waitReadable(100);
    EXPECT_EQ(waiting, -1);
    std::uint8_t b[8];
    EXPECT_EQ(line.read(b, sizeof b), -1);
}

TEST(NetworkLine, OpenFailsClearlyForARefusingServerAndAnUnknownHost)
{
    LoopbackServer server;
    vq::link::NetworkLine line;
    std::thread opener([&] {
        EXPECT_FALSE(line.open({vq::link::NetworkProtocol::Rfc2217, "127.0.0.1", server.port}, 19200));
        EXPECT_EQ(line.lastError(), EPROTONOSUPPORT);
    });
    ASSERT_TRUE(server.accept());
    server.receive(9);
    server.send({kIac, 254, 44}); // DONT COM-PORT: a plain telnet server
    opener.join();
    EXPECT_FALSE(line.isOpen());

    EXPECT_FALSE(line.open({vq::link::NetworkProtocol::RawTcp, "no-such-host.invalid", 4001}, 19200));
    EXPECT_EQ(line.lastError(), ENXIO);
}
