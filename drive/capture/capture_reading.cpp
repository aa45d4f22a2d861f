#include "drive/capture/capture_reading.h"

#include "drive/connection/drive_connection.h"

#include <array>

namespace tarvex::graphs {

bool readCaptureRegister(DriveConnection &drive, std::uint16_t address, std::uint8_t (&bytes)[2],
                         std::uint8_t &status)
{
    BusyScope busy(drive.generalBusy);
    drive.link().RdSgRegister(address, bytes, &status, 1);
    return status == VQ_STATUS_OK;
}

bool readCaptureBlock(DriveConnection &drive, std::uint16_t address, std::int16_t *samples, std::uint8_t &status)
{
    std::array<std::uint8_t, 2 * kCaptureBlockRegisters> bytes{};
    std::int32_t stored = 0;
    {
        BusyScope busy(drive.generalBusy);
        stored = drive.link().RdMtRegister(address, kCaptureBlockRegisters, bytes.data(), &status);
    }
    if (status != VQ_STATUS_OK || stored < static_cast<std::int32_t>(bytes.size()))
        return false;
    for (std::size_t i = 0; i < kCaptureBlockRegisters; ++i)
        samples[i] = static_cast<std::int16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    return true;
}

} // namespace tarvex::graphs
