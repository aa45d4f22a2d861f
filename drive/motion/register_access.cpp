#include "drive/motion/register_access.h"

#include "drive/connection/drive_connection.h"

#include <array>

namespace tarvex {

namespace {

// The longest block the operation tools move in one request (the program).
constexpr std::size_t kMaxRegisters = 8;

} // namespace

int RegisterAccess::finish(bool succeeded, const char *failure) const
{
    if (succeeded)
        return kServiceSuccess;
    if (m_drive && failure)
        m_drive->messages().show(failure);
    return kServiceFailure;
}

int RegisterAccess::writeOne(std::uint16_t address, std::uint16_t value, std::uint8_t &status,
                             const char *failure) const
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (m_drive) {
        BusyScope busy(m_drive->*m_busy);
        m_drive->link().WrSgRegister(address, value, &status);
    }
    return finish(m_drive && status == VQ_STATUS_OK, failure);
}

int RegisterAccess::writeMany(std::uint16_t address, std::span<const std::uint16_t> values,
                              std::uint8_t &status, const char *failure) const
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (m_drive && !values.empty() && values.size() <= kMaxRegisters) {
        BusyScope busy(m_drive->*m_busy);
        m_drive->link().WrMtRegister(address, static_cast<std::int32_t>(values.size()),
                                     values.data(), &status);
    }
    return finish(m_drive && status == VQ_STATUS_OK, failure);
}

int RegisterAccess::readOne(std::uint16_t address, std::uint16_t &value, std::uint8_t &status,
                            const char *failure) const
{
    return readMany(address, std::span<std::uint16_t>(&value, 1), status, failure);
}

int RegisterAccess::readMany(std::uint16_t address, std::span<std::uint16_t> values,
                             std::uint8_t &status, const char *failure) const
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    std::array<std::uint8_t, 2 * kMaxRegisters> reply{};
    const auto wanted = static_cast<std::int32_t>(2 * values.size());
    std::int32_t stored = 0;
    if (m_drive && !values.empty() && values.size() <= kMaxRegisters) {
        BusyScope busy(m_drive->*m_busy);
        stored = values.size() == 1
                     ? m_drive->link().RdSgRegister(address, reply.data(), &status, 1)
                     : m_drive->link().RdMtRegister(address, static_cast<std::int32_t>(values.size()),
                                                    reply.data(), &status);
    }
    const bool succeeded = m_drive && status == VQ_STATUS_OK && stored == wanted;
    if (succeeded) {
        for (std::size_t i = 0; i < values.size(); ++i)
            values[i] = static_cast<std::uint16_t>(reply[2 * i] << 8 | reply[2 * i + 1]);
    }
    return finish(succeeded, failure);
}

} // namespace tarvex
