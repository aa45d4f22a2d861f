// The trigger capture service: sends the capture set-up (period, four
// channel codes, trigger source, edge, position and level) to the drive,
// arms the trigger, and reads the capture once the drive reports it
// complete: sixteen blocks of 64 samples, then the start position of the
// drive's ring. Free of widgets; the trigger window's worker calls
// ReadTrigger.
#pragma once

#include "drive/capture/capture_buffers.h"

#include <array>
#include <cstdint>
#include <functional>

namespace tarvex {

class DriveConnection;

namespace trigger {
// Results of the service operations.
inline constexpr std::uint16_t kResultSuccess = 2;
inline constexpr std::uint16_t kResultFailure = 8; // the message has been shown

inline constexpr std::size_t kSamples = 256;
using TriggerSamples = graphs::CaptureChannels<kSamples>;

// Drive registers.
inline constexpr std::uint16_t kStateRegister = 1014;    // write 1: arm; read: capture state
inline constexpr std::uint16_t kSetUpRegister = 1016;    // nine words
inline constexpr std::uint16_t kStartRegister = 1034;    // index of the oldest sample
inline constexpr std::uint16_t kFirstDataRegister = 2072;
inline constexpr int kSetUpWords = 9;
inline constexpr std::int32_t kArm = 1;
// Block b of channel c starts at 2072 + 512 c + 128 b (one register per
// two address units, so the blocks of a channel follow each other).
constexpr std::uint16_t blockAddress(int channel, int block)
{
    return static_cast<std::uint16_t>(kFirstDataRegister + 512 * channel + 128 * block);
}

// The low byte of the state register once the capture is complete.
inline constexpr int kStateComplete = 4;
// What ReadTrigger reports while the drive is still waiting or recording.
inline constexpr int kStateWaiting = 2;
} // namespace trigger

class CTriggerGraph {
public:
    // Runs one link call of the user-interface thread; the window passes one
    // that keeps the user interface painting while a silent drive is
    // retried. Empty: called directly. The worker's reads run directly.
    using LinkRunner = std::function<void(const std::function<void()> &call)>;

    explicit CTriggerGraph(DriveConnection *drive = nullptr) : m_pDrive(drive) {}
    virtual ~CTriggerGraph() = default;
    CTriggerGraph(const CTriggerGraph &) = delete;
    CTriggerGraph &operator=(const CTriggerGraph &) = delete;

    void setDriveConnection(DriveConnection *drive) { m_pDrive = drive; }
    DriveConnection *driveConnection() const { return m_pDrive; }
    void setLinkRunner(LinkRunner runner) { m_runner = std::move(runner); }

    // Writes the nine set-up words to 1016..1032; "TriggerSet Write Error" on failure.
    std::uint16_t SetTrigger(std::uint8_t &status);
    // Writes 1 to 1014; "TriggerSet Write Error" on failure.
    std::uint16_t StartTrigger(std::uint8_t &status);
    // Reads the capture state; when the capture is complete reads the
    // sixteen blocks into `received` (as the drive holds them, unrotated)
    // and the start position. `state` is 4 then, 2 while the drive is not
    // done. Failures ("TriggerData Read Error", "channel1 Read Error" to
    // "channel4 Read Error", "StartPosition Read Error") give kResultFailure.
    std::uint16_t ReadTrigger(trigger::TriggerSamples &received, int &state, unsigned &start,
                              std::uint8_t &status);

    // The set-up as it is sent.
    std::uint16_t m_period = 0; // units of 0.2 ms
    std::array<std::uint16_t, 4> m_channelCode{};
    std::uint16_t m_source = 0; // trigger source code
    std::uint16_t m_edge = 0;
    std::uint16_t m_position = 0;
    std::int32_t m_level = 0;   // sent as its low 16 bits

protected:
    void runLink(const std::function<void()> &call) const;

    DriveConnection *m_pDrive = nullptr; // not owned
    LinkRunner m_runner;
};

} // namespace tarvex
