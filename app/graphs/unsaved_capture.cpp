#include "app/graphs/unsaved_capture.h"

#include "drive/connection/message_service.h"

namespace tarvex::graphs {

bool UnsavedCapture::mayDiscard(MessageService *messages) const
{
    if (!held_ || !messages)
        return true;
    return messages->ask("The captured data has not been saved. Close the window and discard it?",
                         "Unsaved Capture");
}

} // namespace tarvex::graphs
