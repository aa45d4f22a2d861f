#include "app/operation/dialog_buttons.h"

#include <QPushButton>

namespace tarvex {

void makeButtonsNonDefault(QWidget &window)
{
    for (QPushButton *button : window.findChildren<QPushButton *>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

} // namespace tarvex
