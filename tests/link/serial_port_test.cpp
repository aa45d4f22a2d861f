// The serial port layer on a pseudo-terminal: a device without a
// low-latency setting still opens, and the port waits for input and for its
// output without hanging.
#include "link/serial_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

class PtyPair {
public:
    PtyPair()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            device = ptsname(master);
    }
    ~PtyPair()
    {
        if (master >= 0)
            close(master);
    }
    int master = -1;
    std::string device;
};

} // namespace

TEST(SerialPort, ADeviceThatRefusesLowLatencyStillOpensAndCarriesBytes)
{
    PtyPair pty;
    ASSERT_FALSE(pty.device.empty());
    vq::link::SerialPort port;
    ASSERT_TRUE(port.open(pty.device, 19200));
    EXPECT_FALSE(port.lowLatency()) << "a pseudo-terminal has no such mode";

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.waitReadable(30), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(25));

    const std::uint8_t request[3] = {1, 2, 3};
    ASSERT_TRUE(port.write(request, 3));
    port.waitUntilSent(50);
    std::uint8_t echo[3] = {};
    ASSERT_EQ(read(pty.master, echo, 3), 3);
    EXPECT_EQ(echo[2], 3);

    const std::uint8_t reply[2] = {7, 8};
    ASSERT_EQ(write(pty.master, reply, 2), 2);
    EXPECT_EQ(port.waitReadable(500), 1);
    std::uint8_t got[4] = {};
    EXPECT_EQ(port.read(got, 4), 2);

    port.close();
    EXPECT_EQ(port.waitReadable(10), -1);
}
