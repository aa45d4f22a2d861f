// The drive's notch filter parameters, read and written as one block of
// three registers at 174: use (0 or 1), frequency and bandwidth in Hz. The
// drive does no frequency analysis itself; it only holds these three.
#pragma once

#include <cstdint>
#include <functional>

namespace tarvex {

class DriveConnection;

namespace notch {
inline constexpr std::uint16_t kResultSuccess = 2;
inline constexpr std::uint16_t kResultFailure = 8; // the message has been shown
inline constexpr std::uint16_t kFirstRegister = 174;
inline constexpr int kRegisters = 3;

// The ranges the window's edits accept.
inline constexpr int kUseMax = 1;
inline constexpr int kFrequencyMax = 1000;
inline constexpr int kBandwidthMax = 1000;
// A capture sees frequencies up to half its sampling rate; anything above
// folds back as a false lower peak. Only a capture sampled at least this
// often covers the whole notch range, so that its peak is the resonance.
inline constexpr double kLongestSamplePeriod = 1.0 / (2.0 * kFrequencyMax);

struct NotchParameters {
    int use = 0;
    int frequency = 0;
    int bandwidth = 0;
};
} // namespace notch

class CNotchFilter {
public:
    using LinkRunner = std::function<void(const std::function<void()> &call)>;

    explicit CNotchFilter(DriveConnection *drive = nullptr) : m_pDrive(drive) {}

    void setDriveConnection(DriveConnection *drive) { m_pDrive = drive; }
    DriveConnection *driveConnection() const { return m_pDrive; }
    void setLinkRunner(LinkRunner runner) { m_runner = std::move(runner); }

    // Reads the three registers; "FFT Read Error" on failure, when
    // `parameters` is left as it was.
    std::uint16_t ReadNotchFilter(notch::NotchParameters &parameters, std::uint8_t &status);
    // Writes the three registers; "FFT Write Error" on failure.
    std::uint16_t WriteNotchFilter(const notch::NotchParameters &parameters, std::uint8_t &status);

private:
    void runLink(const std::function<void()> &call) const;

    DriveConnection *m_pDrive = nullptr; // not owned
    LinkRunner m_runner;
};

} // namespace tarvex
