// What the drive itself reports of its servo and alarm, as the jog windows
// show it and judge a press by: the window's own belief of the servo can be
// wrong after an alarm trips the servo or the link goes, and a jog command
// the drive ignores must not look as if it had gone out.
#pragma once

#include "drive/motion/register_access.h"

#include <cstdint>
#include <string>

namespace tarvex {

class DriveConnection;

struct DriveCondition {
    enum class Link { Closed, NoReply, Answered };
    Link link = Link::Closed;
    std::uint8_t status = 0;   // the failed read's status byte (NoReply)
    bool servoOn = false;      // bit 1 of the drive state register
    std::uint16_t alarm = 0;   // the active alarm code, 0 for none

    bool answered() const { return link == Link::Answered; }
    // Whether a jog command can turn the motor now.
    bool canJog() const { return answered() && servoOn && alarm == 0; }
};

// Reads the drive state and the active alarm with `busy` raised, without a
// message box on failure: following the drive is the window's own business
// and a read that fails is shown as such, in the window.
DriveCondition readDriveCondition(DriveConnection &drive, BusyIndicator busy);

// The window's status line: "Drive: Servo ON", "Drive: Servo OFF, alarm
// AL - 52 ...", or why nothing is known.
std::string driveConditionText(const DriveCondition &condition, DriveConnection &drive);

// Why a press of `action` (e.g. "Forward") cannot move the motor; empty when
// it can.
std::string motionRefusal(const char *action, const DriveCondition &condition, DriveConnection &drive);

} // namespace tarvex
