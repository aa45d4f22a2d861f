#include "drive/motion/jog_manual.h"

#include "drive/text/number_text.h"
#include "drive/connection/drive_connection.h"
#include "drive/motion/operation_registers.h"
#include "drive/motion/register_access.h"

namespace tarvex {

int CJogManual::ServoOnWrite(std::uint16_t value, std::uint8_t &status)
{
    return RegisterAccess(m_drive, &DriveConnection::jogBusy)
        .writeOne(operation_register::kOperationCommand, value, status, "Servo on Write Error");
}

int CJogManual::JogOperationWrite(std::uint16_t value, std::uint8_t &status)
{
    return RegisterAccess(m_drive, &DriveConnection::jogBusy)
        .writeOne(operation_register::kOperationCommand, value, status,
                  "Jog Operation  Write Error");
}

int CJogManual::JogSpeedAccess(int mode, std::uint16_t value, std::uint16_t &speed,
                               std::uint8_t &status)
{
    const RegisterAccess access(m_drive, &DriveConnection::jogBusy);
    switch (mode) {
    case kReadJogSpeed:
        return access.readOne(operation_register::kJogSpeed, speed, status, "Jog Speed Read Error");
    case kWriteJogSpeed:
        return access.writeOne(operation_register::kJogSpeed, value, status,
                               "Jog Speed Write Error");
    case kReadMaximumSpeed:
        return access.readOne(operation_register::kMaximumSpeed, speed, status, "Maximum Speed Read Error");
    case kReadCurrentSpeed:
        return access.readOne(operation_register::kCurrentSpeed, speed, status,
                              "Current Speed Read Error");
    default:
        return kServiceSuccess;
    }
}

std::optional<std::uint16_t> jogSpeedFromText(std::string_view text)
{
    const auto number = strictDecimal(text);
    if (!number || *number < 0 || *number > 0xFFFF)
        return std::nullopt;
    return static_cast<std::uint16_t>(*number);
}

} // namespace tarvex
