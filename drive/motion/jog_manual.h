// The manual jog service: servo on and off, the jog commands and the jog
// speed, each one link call with the jog busy indicator raised. The saved
// jog speed is what the drive held when the window opened; the window
// writes it back when it closes, so a speed set meanwhile lasts only while
// the window is open.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarvex {

class DriveConnection;

class CJogManual {
public:
    // Modes of JogSpeedAccess.
    static constexpr int kReadJogSpeed = 1;
    static constexpr int kWriteJogSpeed = 2;
    static constexpr int kReadCurrentSpeed = 4;
    static constexpr int kReadMaximumSpeed = 8;

    explicit CJogManual(DriveConnection *drive = nullptr) : m_drive(drive) {}

    void setDriveConnection(DriveConnection *drive) { m_drive = drive; }
    DriveConnection *driveConnection() const { return m_drive; }

    // Writes `value` to the operation command register.
    int ServoOnWrite(std::uint16_t value, std::uint8_t &status);
    int JogOperationWrite(std::uint16_t value, std::uint8_t &status);
    // Mode 1 reads the jog speed into `speed`, mode 2 writes `value` as the
    // jog speed, mode 4 reads the current motor speed into `speed`, mode 8
    // the motor's maximum speed; other
    // modes do nothing and succeed. A failed read leaves `speed` unchanged.
    int JogSpeedAccess(int mode, std::uint16_t value, std::uint16_t &speed, std::uint8_t &status);

    // The jog speed the drive held when the window opened; none when it
    // could not be read, and then nothing is written back.
    std::optional<std::uint16_t> savedJogSpeed() const { return m_savedJogSpeed; }

protected:
    DriveConnection *m_drive = nullptr;
    std::optional<std::uint16_t> m_savedJogSpeed;
};

// The jog speed typed for "SpeedSet": a whole decimal number of the
// unsigned 16-bit register (blanks around it allowed); none for any other
// text, which is then refused rather than written as some other speed.
std::optional<std::uint16_t> jogSpeedFromText(std::string_view text);

// What "SpeedSet" tells the user when the text is refused.
inline constexpr const char *kJogSpeedRefused =
    "The jog speed must be a whole number from 0 to 65535 [r/min]. Nothing was written.";
// ... and when it lies above the motor's maximum speed.
inline constexpr const char *kJogSpeedAboveMaximum =
    "The jog speed is above the motor's maximum speed. Nothing was written.";

} // namespace tarvex
