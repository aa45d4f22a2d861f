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

int CGainTuning::TunedValuesRead(TunedValues &values, std::uint8_t &status)
{
    TunedValues read;
    int result = InertiaRead(read.inertia, status);
    if (result == kServiceSuccess)
        result = generalAccess(m_drive).readMany(operation_register::kTunedGainsFirst, read.gains,
                                                 status, "Gain Read Error");
    if (result == kServiceSuccess)
        values = read;
    return result;
}

int CGainTuning::TunedValuesWrite(const TunedValues &values, std::uint8_t &status)
{
    const RegisterAccess access = generalAccess(m_drive);
    const int result = access.writeMany(operation_register::kTunedGainsFirst, values.gains, status,
                                        "Gain Write Error");
    if (result != kServiceSuccess)
        return result;
    return access.writeOne(operation_register::kLoadInertia, static_cast<std::uint16_t>(values.inertia),
                           status, "Gain Write Error");
}

bool CGainTuning::recordValuesBeforeRun(std::optional<std::int16_t> inertia)
{
    m_comparison = {};
    if (!inertia)
        return false; // the link is failing: the start alone is tried
    TunedValues before;
    before.inertia = *inertia;
    std::uint8_t status = 0;
    if (generalAccess(m_drive).readMany(operation_register::kTunedGainsFirst, before.gains, status,
                                        "Gain Read Error") != kServiceSuccess)
        return false;
    m_comparison.before = before;
    return true;
}

bool CGainTuning::recordValuesAfterRun(const std::optional<TunedValues> &read)
{
    m_comparison.open = true;
    if (read) {
        m_comparison.after = read;
        return true;
    }
    return readValuesNow();
}

bool CGainTuning::readValuesNow()
{
    std::uint8_t status = 0;
    TunedValues now;
    if (TunedValuesRead(now, status) != kServiceSuccess) {
        m_comparison.after.reset();
        return false;
    }
    m_comparison.after = now;
    return true;
}

bool CGainTuning::revertTuning()
{
    if (!m_comparison.revertible())
        return false;
    const TunedValues before = *m_comparison.before;
    std::uint8_t status = 0;
    const bool written = TunedValuesWrite(before, status) == kServiceSuccess;
    // Read again whatever the write did: a refusal half way may have
    // changed some of the values, and the window shows what the drive holds.
    const bool read = readValuesNow();
    const bool restored = written && read && m_comparison.after == before;
    if (restored)
        m_comparison.open = false;
    return restored;
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
        return {true, true, std::nullopt, std::nullopt};
    }
    if (running)
        return {false, false, std::nullopt, std::nullopt};
    if (stillRunning && !stillRunning())
        return {true, false, std::nullopt, std::nullopt};
    if (TuningCommandWrite(operation_value::kTuningStop, status) != kServiceSuccess) {
        if (m_drive)
            m_drive->messages().show("GainTuning Stop Error!");
        return {true, false, std::nullopt, std::nullopt};
    }
    showTuningStopped();
    std::int16_t inertia = 0;
    if (InertiaRead(inertia, status) != kServiceSuccess)
        return {true, false, std::nullopt, std::nullopt};
    // The gains the run set; without them the window reads them itself.
    TunedValues after;
    after.inertia = inertia;
    if (generalAccess(m_drive).readMany(operation_register::kTunedGainsFirst, after.gains, status,
                                        "Gain Read Error") != kServiceSuccess)
        return {true, false, inertia, std::nullopt};
    return {true, false, inertia, after};
}

} // namespace tarvex
