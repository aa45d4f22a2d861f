#include "drive/motion/drive_condition.h"

#include "drive/alarms/alarm_codes.h"
#include "drive/connection/drive_connection.h"
#include "drive/connection/link_causes.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kServoOnBit = 1u << 1;

} // namespace

DriveCondition readDriveCondition(DriveConnection &drive, BusyIndicator busy)
{
    DriveCondition condition;
    if (!drive.isLinkOpen())
        return condition;
    const RegisterAccess quiet(&drive, busy);
    std::uint16_t state = 0;
    std::uint16_t alarm = 0;
    std::uint8_t status = 0;
    if (quiet.readOne(drive_register::kDriveState, state, status, nullptr) != kServiceSuccess ||
        quiet.readOne(drive_register::kAlarmCode, alarm, status, nullptr) != kServiceSuccess) {
        condition.link = DriveCondition::Link::NoReply;
        condition.status = status;
        return condition;
    }
    condition.link = DriveCondition::Link::Answered;
    condition.servoOn = (state & kServoOnBit) != 0;
    condition.alarm = alarm;
    return condition;
}

std::string driveConditionText(const DriveCondition &condition, DriveConnection &drive)
{
    switch (condition.link) {
    case DriveCondition::Link::Closed:
        return std::string("Drive: ") + kLinkClosedCause;
    case DriveCondition::Link::NoReply:
        return "Drive: " + linkCause(condition.status, drive.place());
    case DriveCondition::Link::Answered:
        break;
    }
    std::string text = condition.servoOn ? "Drive: Servo ON" : "Drive: Servo OFF";
    if (condition.alarm != 0)
        text += ", alarm " + alarms::activeAlarmText(condition.alarm);
    return text;
}

std::string motionRefusal(const char *action, const DriveCondition &condition, DriveConnection &drive)
{
    const std::string head = std::string(action) + " does nothing: ";
    switch (condition.link) {
    case DriveCondition::Link::Closed:
        return head + kLinkClosedCause + ".";
    case DriveCondition::Link::NoReply:
        return head + linkCause(condition.status, drive.place()) + ".";
    case DriveCondition::Link::Answered:
        break;
    }
    if (condition.alarm != 0)
        return head + "the drive has the active alarm " + alarms::activeAlarmText(condition.alarm) +
               ", its servo is off. Remove the cause, reset the alarm (Alarm > Alarm Reset), then switch "
               "the servo on again.";
    if (!condition.servoOn)
        return head + "the servo is off. Switch it on with \"Servo ON\" first.";
    return {};
}

} // namespace tarvex
