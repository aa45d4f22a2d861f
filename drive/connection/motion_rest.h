// Bringing the motion tools to rest: the open jog and tuning windows that
// hold motion are asked to stop it, and the user is told what to do at the
// drive when a stop could not be sent or was not confirmed.
#pragma once

#include "drive/connection/link_library.h"
#include "drive/connection/message_service.h"
#include "drive/connection/motion_tools.h"

namespace tarvex {

class MotionRest {
public:
    MotionRest(MessageService &messages, const LinkLibrary &link) : messages_(messages), link_(link) {}
    MotionRest(const MotionRest &) = delete;
    MotionRest &operator=(const MotionRest &) = delete;

    MotionTools &tools() { return tools_; }
    const MotionTools &tools() const { return tools_; }
    bool bringToRest(MotionTool &tool);
    bool bringAllToRest(const MotionTool *except);
    bool anyHeld() const;

private:
    bool linkOpen() const { return link_.IsConnect() != 0; }

    MessageService &messages_;
    const LinkLibrary &link_;
    MotionTools tools_;
};

} // namespace tarvex
