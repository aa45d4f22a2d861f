// The register operations of the operation tools' services, done one way:
// the chosen busy indicator of the drive connection is raised just for the
// link call, success is judged by the status byte (and a read by a reply of
// the full length), and a failure shows the service's own message before
// the caller hears of it (a null message: the caller reports it itself).
// Each returns 2 for success and 8 for a failure, and hands back the link
// call's status byte.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

namespace tarvex {

class DriveConnection;

inline constexpr int kServiceSuccess = 2;
inline constexpr int kServiceFailure = 8;

using BusyIndicator = std::atomic<std::int32_t> DriveConnection::*;

class RegisterAccess {
public:
    RegisterAccess(DriveConnection *drive, BusyIndicator busy) : m_drive(drive), m_busy(busy) {}

    int writeOne(std::uint16_t address, std::uint16_t value, std::uint8_t &status,
                 const char *failure) const;
    int writeMany(std::uint16_t address, std::span<const std::uint16_t> values,
                  std::uint8_t &status, const char *failure) const;
    // `value` is assembled high byte first and left as it was on a failure.
    int readOne(std::uint16_t address, std::uint16_t &value, std::uint8_t &status,
                const char *failure) const;
    // Every value of `values` is read, or none is changed.
    int readMany(std::uint16_t address, std::span<std::uint16_t> values, std::uint8_t &status,
                 const char *failure) const;

private:
    int finish(bool succeeded, const char *failure) const;

    DriveConnection *m_drive;
    BusyIndicator m_busy;
};

} // namespace tarvex
