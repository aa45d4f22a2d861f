// The alarm graph service: arms the drive to record four quantities when an
// alarm occurs (the period and four channel codes), and reads the recording
// once the drive reports it ready: eight blocks of 64 samples, then the
// start position of the drive's ring of 128. Free of widgets; the alarm
// trace window's worker calls ReadAlarmGraph.
#pragma once

#include "drive/capture/capture_buffers.h"

#include <array>
#include <cstdint>
#include <functional>

namespace tarvex {

class DriveConnection;

namespace alarm_graph {
// Results of the service operations.
inline constexpr std::uint16_t kResultSuccess = 2;
inline constexpr std::uint16_t kResultFailure = 8; // the message has been shown (if any)

inline constexpr std::size_t kSamples = 128;
using AlarmSamples = graphs::CaptureChannels<kSamples>;

// Drive registers.
inline constexpr std::uint16_t kStateRegister = 1000; // the set-up block starts here too
inline constexpr std::uint16_t kStartRegister = 1012; // index of the oldest sample
inline constexpr std::uint16_t kFirstDataRegister = 1048;
inline constexpr int kSetUpWords = 6;
inline constexpr std::uint16_t kSetUpMarker = 1;
// Block b of channel c starts at 1048 + 256 c + 128 b.
constexpr std::uint16_t blockAddress(int channel, int block)
{
    return static_cast<std::uint16_t>(kFirstDataRegister + 256 * channel + 128 * block);
}

// The low byte of the state register once the recording is ready.
inline constexpr int kStateReady = 4;
// What ReadAlarmGraph reports while the drive has nothing yet.
inline constexpr int kStateNotReady = 0;
} // namespace alarm_graph

class CAlarmGraph {
public:
    // Runs one link call of the user-interface thread; the window passes one
    // that keeps the user interface painting while a silent drive is
    // retried. Empty: called directly. The worker's reads run directly.
    using LinkRunner = std::function<void(const std::function<void()> &call)>;

    explicit CAlarmGraph(DriveConnection *drive = nullptr) : m_pDrive(drive) {}
    virtual ~CAlarmGraph() = default;
    CAlarmGraph(const CAlarmGraph &) = delete;
    CAlarmGraph &operator=(const CAlarmGraph &) = delete;

    void setDriveConnection(DriveConnection *drive) { m_pDrive = drive; }
    DriveConnection *driveConnection() const { return m_pDrive; }
    void setLinkRunner(LinkRunner runner) { m_runner = std::move(runner); }

    // Writes 1, the period and the four channel codes to 1000..1010.
    // "Communication Connection Error " when the link is not open, "Alarm
    // set Write Error" when the drive refuses.
    std::uint16_t SetAlarmGraph(std::uint8_t &status);
    // Reads the recording state; when the recording is ready reads the eight
    // blocks into `received` (as the drive holds them, unrotated) and the
    // start position. `state` is 4 then, 0 while the drive has nothing.
    // Failures ("Alarm Data Read Error", "Alarm Graph Data1 Read Error" to
    // "Alarm Graph Data4 Read Error"; none for the start position) give
    // kResultFailure.
    std::uint16_t ReadAlarmGraph(alarm_graph::AlarmSamples &received, int &state, unsigned &start,
                                 std::uint8_t &status);

    // The set-up as it was last sent.
    std::uint16_t m_period = 0; // units of 0.2 ms
    std::array<std::uint16_t, 4> m_channelCode{};

protected:
    void runLink(const std::function<void()> &call) const;

    DriveConnection *m_pDrive = nullptr; // not owned
    LinkRunner m_runner;
};

} // namespace tarvex
