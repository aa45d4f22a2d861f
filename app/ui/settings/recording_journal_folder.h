// Where long recordings are written as they go, and found again after a
// crash: a folder beside the settings file in use (UserSettings), so that a
// run with settings of its own (a test, a second profile) keeps its
// recordings apart too.
#pragma once

#include <QString>

namespace tarvex {

QString recordingJournalFolder();

} // namespace tarvex
