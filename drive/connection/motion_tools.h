// The tools that move the motor (manual jog, program jog, auto tuning) and
// the one rule they share: whatever way the user leaves a tool - its own
// EXIT or close box, the program's exit, File > New, OS Upgrade,
// Disconnect, opening another motion tool, the link watchdog's reset - the
// drive is brought to rest first, and the servo switched off where the tool
// switched it on, while the link is still open. A stop the drive did not
// confirm is said plainly, with what to do at the drive.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvex {

class MotionTool {
public:
    virtual ~MotionTool() = default;
    // The tool's window is shown.
    virtual bool motionWindowOpen() const = 0;
    // The motor moves, or the servo is on, by this tool's doing as far as
    // it knows (a run it started and has not seen stopped).
    virtual bool holdsMotion() const = 0;
    // Sends the tool's stop (and servo off where it switched the servo on)
    // on the user-interface thread; true once the drive has acknowledged
    // every command. On false the tool keeps showing the run.
    virtual bool bringToRest() = 0;
    // The active feature code the frame's rules use while the window is open.
    virtual std::int32_t motionFeatureCode() const = 0;
};

class MotionTools {
public:
    void add(MotionTool &tool);
    void remove(MotionTool &tool);
    const std::vector<MotionTool *> &all() const { return tools_; }
    // The code of an open tool other than `except`, or none (0).
    std::int32_t openToolCode(const MotionTool *except) const;

private:
    std::vector<MotionTool *> tools_;
};

// A motion tool's registration with the tools of the connection it is
// attached to, withdrawn when the tool goes away.
class MotionToolRegistration {
public:
    explicit MotionToolRegistration(MotionTool &tool) : tool_(tool) {}
    ~MotionToolRegistration() { withdraw(); }
    MotionToolRegistration(const MotionToolRegistration &) = delete;
    MotionToolRegistration &operator=(const MotionToolRegistration &) = delete;

    void registerWith(MotionTools &tools);
    void withdraw();

private:
    MotionTool &tool_;
    MotionTools *tools_ = nullptr;
};

// What the user is told when a stop could not be sent or was not confirmed.
inline constexpr const char *kMotionMayGoOn =
    "The drive did not confirm the stop: the motor may still be moving and the servo may still be on.";
inline constexpr const char *kMotionStopNotSent =
    "The link to the drive is closed, so no stop could be sent. Stop the motor at the drive (its "
    "emergency stop or servo enable input, or its main power) before you go near the machine, then "
    "connect again.";
inline constexpr const char *kMotionStopRefused =
    "The drive refused the stop or did not answer. Press EXIT (or Stop) again to retry, or stop the "
    "motor at the drive (its emergency stop or servo enable input, or its main power).";

} // namespace tarvex
