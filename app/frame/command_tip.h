// A command's tooltip and status tip follow its state: while greyed they
// add why, so a user hovering a greyed button learns what to do first.
#pragma once

#include <QString>

class QAction;

namespace tarvex {

// `reason` empty: the command's own tips come back.
void showCommandReason(QAction &action, const QString &reason);

} // namespace tarvex
