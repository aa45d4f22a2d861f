// Waiting on the user-interface thread without freezing it, in one place.
//
// Some link calls take long: the connection check retries eight times
// (about three seconds) when the drive is silent. Such a call runs on a
// helper thread while the user-interface thread spins a local event loop
// that keeps painting and serves the boxes that workers ask for, but holds
// back the user's input, so no command can start in the middle of another.
// The same holds for the waits for a worker thread to end, and for the
// operation windows' pauses (the drive's settling times after servo on and
// after a program start, the pause before a window closes): the user's
// input waits until the pause is over, as it would behind a plain sleep.
// Only a progress box with a Cancel button lets the user's input through
// while its work runs.
#pragma once

#include <chrono>
#include <functional>

namespace tarvex {

// Runs `call` on a helper thread and returns when it has returned.
void runKeepingUiAlive(const std::function<void()> &call);

// The same, serving the user's input too: for a box whose Cancel must work
// while the call runs.
void runServingUserInput(const std::function<void()> &call);

// One round of event processing without user input; the tick of the waits
// for a worker thread (which may be waiting for a message box).
void serveUiWhileWaiting();

// Waits `duration`, serving the user interface but not the user's input.
void pauseServingUi(std::chrono::milliseconds duration);

} // namespace tarvex
