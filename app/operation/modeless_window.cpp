#include "app/operation/modeless_window.h"

#include <QDialog>

namespace tarvex {

void presentModeless(QDialog &window, const std::function<void()> &openAfresh)
{
    if (!window.isVisible()) {
        openAfresh();
        window.show();
    }
    window.raise();
    window.activateWindow();
}

} // namespace tarvex
