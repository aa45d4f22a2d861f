// The quantities the drive can sample for its trace, trigger capture and
// alarm recording, by channel code, and the trigger sources by source code.
#pragma once

#include "simulator/src/motor_model.h"

#include <cstdint>

namespace vq::sim {

struct SignalContext {
    const MotorModel &motor;
    std::uint16_t inputs = 0;  // digital input word (register 4160)
    std::uint16_t outputs = 0; // digital output word (register 4164)
};

// Channel codes: 0 none, 1 current speed rpm, 2 command speed, 3 overload
// rate %, 4 current torque %, 5 command torque %, 6 torque limit %, 7 DC-link
// voltage in 0.1 V, 11 SVON input, 12 POT, 13 NOT, 14 HOME, 15 ALARM output,
// 16 HWBB, 17 BRAKE, 18 INSPD, 19 INPOS. Code 8 is the recorder's own sample
// counter (low 16 bits), a diagnostic stream that shows any gap or repeat.
// Unknown codes sample 0.
std::int16_t channelSample(int code, const SignalContext &signals, long long sampleIndex);

// Trigger source codes: 1 current speed, 2 command speed, 3 input pulse
// frequency, 4 current torque, 5 command torque, 6 torque limit, 7 DC link
// voltage, 11 servo on, 12..14 speed selections 1..3, 15 direction,
// 16 in speed, 17 in position, 18 torque limit output, 19 alarm, 20 spare.
int triggerSourceValue(int code, const SignalContext &signals);

} // namespace vq::sim
