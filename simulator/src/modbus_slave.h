// The drive's Modbus RTU slave: one complete request frame in, the reply
// out. Frames for another node and frames with a bad CRC are not answered,
// as a real slave on a shared line behaves.
#pragma once

#include "simulator/src/drive_model.h"

#include <cstdint>
#include <vector>

namespace vq::sim {

struct SlaveAnswer {
    std::vector<std::uint8_t> reply; // empty: stay silent
    bool enterBootLoader = false;
    const char *ignoredBecause = nullptr; // why a frame got no answer, for the log
};

SlaveAnswer answerRequest(const std::uint8_t *frame, std::size_t length, std::uint8_t node,
                          DriveModel &drive);

} // namespace vq::sim
