#include "drive/capture/notch/notch_filter.h"

#include "drive/connection/drive_connection.h"

#include <array>

namespace tarvex {

void CNotchFilter::runLink(const std::function<void()> &call) const
{
    if (m_runner)
        m_runner(call);
    else
        call();
}

std::uint16_t CNotchFilter::ReadNotchFilter(notch::NotchParameters &parameters, std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive)
        return notch::kResultFailure;
    std::array<std::uint8_t, 2 * notch::kRegisters> bytes{};
    std::int32_t stored = 0;
    runLink([&] {
        BusyScope busy(m_pDrive->generalBusy);
        stored = m_pDrive->link().RdMtRegister(notch::kFirstRegister, notch::kRegisters, bytes.data(), &status);
    });
    if (status != VQ_STATUS_OK || stored < static_cast<std::int32_t>(bytes.size())) {
        m_pDrive->messages().show("FFT Read Error");
        return notch::kResultFailure;
    }
    // Each value high byte first.
    const auto word = [&](std::size_t i) { return (bytes[2 * i] << 8) | bytes[2 * i + 1]; };
    parameters = {word(0), word(1), word(2)};
    return notch::kResultSuccess;
}

std::uint16_t CNotchFilter::WriteNotchFilter(const notch::NotchParameters &parameters, std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive)
        return notch::kResultFailure;
    const std::array<std::uint16_t, notch::kRegisters> words = {
        static_cast<std::uint16_t>(parameters.use), static_cast<std::uint16_t>(parameters.frequency),
        static_cast<std::uint16_t>(parameters.bandwidth)};
    runLink([&] {
        BusyScope busy(m_pDrive->generalBusy);
        m_pDrive->link().WrMtRegister(notch::kFirstRegister, notch::kRegisters, words.data(), &status);
    });
    if (status != VQ_STATUS_OK) {
        m_pDrive->messages().show("FFT Write Error");
        return notch::kResultFailure;
    }
    return notch::kResultSuccess;
}

} // namespace tarvex
