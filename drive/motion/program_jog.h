// The program jog service: the drive's four-step jog program (four speeds
// in r/min, then four step times in ms, as eight signed registers from
// 0x00A0 on), its start and stop command, and the current speed, each one
// link call with the jog busy indicator raised.
#pragma once

#include "drive/motion/operation_registers.h"

#include <array>
#include <cstdint>

namespace tarvex {

class DriveConnection;

using JogProgram = std::array<std::int16_t, operation_register::kProgramValues>;

class CpJOG {
public:
    // Modes of ProgramJogAccess.
    static constexpr int kReadProgram = 1;
    static constexpr int kWriteProgram = 2;
    static constexpr int kReadCurrentSpeed = 3;

    explicit CpJOG(DriveConnection *drive = nullptr) : m_drive(drive) {}
    virtual ~CpJOG() = default;

    void setDriveConnection(DriveConnection *drive) { m_drive = drive; }
    DriveConnection *driveConnection() const { return m_drive; }

    // Writes `value` to the program jog command register (1 start, 0 stop).
    int ProgramJogOperationWrite(std::uint16_t value, std::uint8_t &status);
    // Mode 1 reads the program, mode 2 writes it, mode 3 reads the current
    // motor speed into `speed`; other modes do nothing and succeed. A failed
    // read leaves the program (or `speed`) as it was.
    int ProgramJogAccess(int mode, std::uint16_t &speed, std::uint8_t &status);

    const JogProgram &program() const { return m_program; }

protected:
    DriveConnection *m_drive = nullptr;
    JogProgram m_program{};
};

} // namespace tarvex
