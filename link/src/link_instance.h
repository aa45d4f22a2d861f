// The process's one link instance: settings, the port (a serial device or
// a serial device server's address), the activity event and the frame
// exchanger bound to that port.
#pragma once

#include "link/src/frame_exchanger.h"
#include "link/device_line.h"
#include "vq_communication.h"

#include <atomic>
#include <mutex>
#include <string>

namespace vq::link {

class LinkInstance {
public:
    LinkInstance();

    // Stores the settings and derives the turnaround delay; an open port is
    // left alone until the next openPort.
    void configure(std::uint8_t node, const std::string &device, unsigned baud,
                   VQEventHandle event);
    // Remembers the event when one is given; a closed port forgets it.
    void setEvent(VQEventHandle event);
    bool openPort();
    void closePort();
    bool isOpen() const { return port_.isOpen(); }
    int lastOpenError() const { return port_.lastError(); }
    bool lowLatency() const { return port_.lowLatency(); }

    FrameExchanger &exchanger() { return exchanger_; }
    std::uint8_t traceMode = 0;

    // The COM port of that number: COM1 is /dev/ttyS0.
    static std::string deviceForPortNumber(std::uint32_t port);

private:
    void signalActivity() const;

    DeviceLine port_;
    RealSleeper sleeper_;
    FrameExchanger exchanger_;
    std::atomic<VQEventHandle> event_{VQ_NO_EVENT};
    std::mutex settingsMutex_;
    std::string device_;
    unsigned baud_ = 0;
    unsigned turnaroundMs_ = 0;
};

} // namespace vq::link
