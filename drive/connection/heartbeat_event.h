// The heartbeat: an auto-reset event that the link library signals at the
// start of every send and every receive. It is an eventfd; a successful wait
// reads the counter back to zero, which is the reset.
#pragma once

#include "vq_communication.h"

#include <chrono>

namespace tarvex {

class HeartbeatEvent {
public:
    HeartbeatEvent();
    ~HeartbeatEvent();
    HeartbeatEvent(const HeartbeatEvent &) = delete;
    HeartbeatEvent &operator=(const HeartbeatEvent &) = delete;

    // The handle given to the link library (VQ_NO_EVENT when the eventfd
    // could not be created: the link then runs without a heartbeat).
    VQEventHandle handle() const { return fd_; }
    // True when the event was signalled within `timeout`; resets it.
    bool wait(std::chrono::milliseconds timeout) const;
    // Signals the event (what the library does; used by tests).
    void signal() const;

private:
    int fd_ = -1;
};

} // namespace tarvex
