// Waits of the user-interface thread in the operation windows (the drive's
// settling times after servo on and after a program start, the pause before
// a window closes). The window keeps painting and worker threads' messages
// are served meanwhile; the user's input waits until the pause is over, as
// it would behind a plain sleep.
#pragma once

#include <chrono>

namespace tarvex {

void pauseServingUi(std::chrono::milliseconds duration);

// One round of event processing without user input: the tick of a wait for
// a worker thread that may be waiting for a message box.
void serveUiOnce();

} // namespace tarvex
