// Waiting on the user-interface thread without freezing it.
//
// Some link calls take long: the connection check retries eight times
// (about three seconds) when the drive is silent. Such a call runs on a
// helper thread while the user-interface thread spins a local event loop
// that keeps painting and serves the boxes that workers ask for, but holds
// back the user's input, so no command can start in the middle of another.
// The same holds for the waits for a worker thread to end.
#pragma once

#include <functional>

namespace tarvex {

// Runs `call` on a helper thread and returns when it has returned.
void runKeepingUiAlive(const std::function<void()> &call);

// One round of event processing without user input; the tick of the waits
// for a worker thread.
void serveUiWhileWaiting();

} // namespace tarvex
