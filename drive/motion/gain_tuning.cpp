#include "drive/motion/gain_tuning.h"

#include "drive/connection/drive_connection.h"
#include "drive/motion/operation_registers.h"
#include "drive/motion/register_access.h"

#include <array>

namespace tarvex {

namespace {

RegisterAccess generalAccess(DriveConnection *drive)
{
    return RegisterAccess(drive, &DriveConnection::generalBusy);
}

} // namespace

int CGainTuning::TuningSettingWrite(const TuningSettings &settings, std::uint8_t &status)
{
    const std::array<std::uint16_t, 2> words{settings.speedLevel, settings.distanceLevel};
    return generalAccess(m_drive).writeMany(operation_register::kTuningSettings, words, status,
                                            "Gain tuning set Write Error");
}

int CGainTuning::TuningCommandWrite(std::uint16_t value, std::uint8_t &status)
{
    return generalAccess(m_drive).writeOne(operation_register::kTuningCommand, value, status,
                                           "Gain Operation Write Error");
}

int CGainTuning::TuningStatusRead(bool &running, std::uint8_t &status)
{
    std::uint16_t word = 0;
    const int result =
        generalAccess(m_drive).readOne(operation_register::kTuningCommand, word, status, "Waiting Error");
    if (result == kServiceSuccess)
        running = (word & 0x00FF) != 0; // the second reply byte
    return result;
}

int CGainTuning::InertiaRead(std::int16_t &inertia, std::uint8_t &status)
{
    std::uint16_t word = 0;
    const int result = generalAccess(m_drive).readOne(operation_register::kLoadInertia, word, status,
                                                      "Inertia Read Error");
    if (result == kServiceSuccess)
        inertia = static_cast<std::int16_t>(word);
    return result;
}

int CGainTuning::TuningSettingRead(TuningSettings &settings, std::uint8_t &status)
{
    std::array<std::uint16_t, 2> words{};
    const int result = generalAccess(m_drive).readMany(operation_register::kTuningSettings, words,
                                                       status, "Tuning Read Error");
    if (result == kServiceSuccess)
        settings = {words[0], words[1]};
    return result;
}

void CGainTuning::showTuningStopped()
{
    if (m_drive)
        m_drive->messages().present(
            {Message::Kind::Information, "Gain Auto Tuning Stop", "STOP Message", {}});
}

TuningPoll CGainTuning::PollTuningOnce(const std::function<bool()> &stillRunning)
{
    std::uint8_t status = 0;
    bool running = false;
    if (TuningStatusRead(running, status) != kServiceSuccess) {
        if (m_drive)
            m_drive->messages().show("GainTuning Operation Error!");
        return {true, true, std::nullopt};
    }
    if (running)
        return {false, false, std::nullopt};
    if (stillRunning && !stillRunning())
        return {true, false, std::nullopt};
    if (TuningCommandWrite(operation_value::kTuningStop, status) != kServiceSuccess) {
        if (m_drive)
            m_drive->messages().show("GainTuning Stop Error!");
        return {true, false, std::nullopt};
    }
    showTuningStopped();
    std::int16_t inertia = 0;
    if (InertiaRead(inertia, status) != kServiceSuccess)
        return {true, false, std::nullopt};
    return {true, false, inertia};
}

} // namespace tarvex
