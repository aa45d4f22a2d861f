// At start: a recording the program did not end (it crashed, was killed or
// lost its power) left its journal beside the settings. The user is asked
// once per start for each such run: save it to a file of their choosing,
// discard it, or leave it for the next start.
#pragma once

class QWidget;

namespace tarvex {

class MessageService;

void offerUnfinishedRecordings(MessageService &messages, QWidget *dialogParent);

} // namespace tarvex
