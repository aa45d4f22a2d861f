#include "drive/motion/program_jog.h"

#include "drive/connection/drive_connection.h"
#include "drive/motion/register_access.h"

namespace tarvex {

int CpJOG::ProgramJogOperationWrite(std::uint16_t value, std::uint8_t &status)
{
    return RegisterAccess(m_drive, &DriveConnection::jogBusy)
        .writeOne(operation_register::kProgramJogCommand, value, status,
                  "pJog Operation  Write Error");
}

int CpJOG::ProgramJogAccess(int mode, std::uint16_t &speed, std::uint8_t &status)
{
    const RegisterAccess access(m_drive, &DriveConnection::jogBusy);
    std::array<std::uint16_t, operation_register::kProgramValues> words{};
    switch (mode) {
    case kReadProgram: {
        const int result = access.readMany(operation_register::kProgramFirst, words, status,
                                           "pJOG Parameter Read Error");
        if (result == kServiceSuccess) {
            for (std::size_t i = 0; i < words.size(); ++i)
                m_program[i] = static_cast<std::int16_t>(words[i]);
        }
        return result;
    }
    case kWriteProgram:
        for (std::size_t i = 0; i < words.size(); ++i)
            words[i] = static_cast<std::uint16_t>(m_program[i]);
        return access.writeMany(operation_register::kProgramFirst, words, status,
                                "pJog Parameter Write Error");
    case kReadCurrentSpeed:
        return access.readOne(operation_register::kCurrentSpeed, speed, status,
                              "Current Speed Read Error");
    default:
        return kServiceSuccess;
    }
}

} // namespace tarvex
