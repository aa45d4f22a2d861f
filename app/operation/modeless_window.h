// The jog windows stay alive between openings and are only hidden by EXIT.
// Opening one that is hidden starts it afresh (its controls as designed and
// the drive's values read again); opening one that is shown only brings it
// to the front.
#pragma once

#include <functional>

class QDialog;

namespace tarvex {

void presentModeless(QDialog &window, const std::function<void()> &openAfresh);

} // namespace tarvex
