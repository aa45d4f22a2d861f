#include "drive/alarms/alarm_codes.h"

#include <cstdio>

namespace tarvex::alarms {
namespace {

struct AlarmEntry {
    std::uint16_t code;
    std::string_view name;
};

constexpr AlarmEntry kAlarms[] = {
    {0x10, "IPM fault"},
    {0x11, "IPM temperature"},
    {0x14, "Over current"},
    {0x15, "Current Offset"},
    {0x16, "Over Current(/CL)"},
    {0x21, "Continuous Overload"},
    {0x22, "Room Temperature"},
    {0x23, "Regeneration Overload"},
    {0x24, "Motor Cable Open"},
    {0x30, "Encoder Comm"},
    {0x31, "Encoder Cable Open"},
    {0x32, "Encoder Data Error"},
    {0x33, "Motor Setting Error"},
    {0x34, "Z Input Error"},
    {0x40, "Under Voltage"},
    {0x41, "Over Voltage"},
    {0x42, "RST Power Fail"},
    {0x43, "Control Power Fail"},
    {0x50, "Over Speed Limit"},
    {0x51, "Position Following"},
    {0x52, "EMG"},
    {0x53, "Over Pulse Command"},
    {0x60, "USB Comm"},
    {0x61, "RS-422 Comm"},
    {0x62, "ECAT Comm"},
    {0x63, "Parameter Checksum"},
    {0x64, "Parameter Range"},
    {0x65, "EtherCAT Comm.Err 1"},
    {0x66, "EtherCAT Comm.Err 2"},
    {0x67, "EtherCAT Comm.Err 3"},
    {0x71, "Invalid Factory Setting"},
    {0x72, "GPIO Setting"},
    {0x80, "SVON Time Out"},
};

} // namespace

std::string_view alarmName(std::uint16_t code)
{
    for (const AlarmEntry &entry : kAlarms)
        if (entry.code == code)
            return entry.name;
    return {};
}

std::string alarmNumberText(std::uint16_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "AL - %02x", static_cast<unsigned>(code));
    return text;
}

std::string_view alarmRemedy(std::uint16_t code)
{
    // The alarm classes by their first digit, as the drive's manual groups them.
    switch (code >> 4) {
    case 0x1:
        return "Power stage or current fault: switch the main power off, check the motor cable and the "
               "motor for a short circuit, then reset.";
    case 0x2:
        return "Overload or temperature: let the drive and motor cool, check the load, the brake and the "
               "regeneration resistor, then reset.";
    case 0x3:
        return "Encoder or motor setting: check the encoder cable and connector and the motor "
               "parameters, then switch the power off and on.";
    case 0x4:
        return "Supply voltage: check the main and control power supply and the regeneration "
               "resistor, then reset.";
    case 0x5:
        return "Speed, position or emergency stop: check the command, the gains and the emergency "
               "stop input, then reset.";
    case 0x6:
        return "Communication or parameters: check the cable and the parameter values (load a known "
               "parameter file), then reset.";
    case 0x7:
        return "Factory or input settings: check the input assignments; if it stays, contact service.";
    case 0x8:
        return "Servo on timed out: check the main power and the servo enable wiring, then reset.";
    default:
        return "Look the code up in the drive's manual, remove the cause, then reset.";
    }
}

std::string activeAlarmText(std::uint16_t code)
{
    std::string text = alarmNumberText(code);
    if (const std::string_view name = alarmName(code); !name.empty())
        text += " " + std::string(name);
    return text;
}

AlarmHistory decodeHistory(const std::uint8_t *block, std::size_t length)
{
    AlarmHistory history{};
    for (std::size_t k = 0; k < kHistoryEntries / 2 && 2 * k + 1 < length; ++k) {
        history[2 * k] = block[2 * k + 1];
        history[2 * k + 1] = block[2 * k];
    }
    return history;
}

} // namespace tarvex::alarms
