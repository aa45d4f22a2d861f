// The usual keys of a tool window, the same in every one: Ctrl+W closes the
// window (as its close box would, with the same questions and stops),
// Ctrl+O and Ctrl+S press its Open and Save buttons, F5 its read button.
// A key whose button is greyed or hidden does nothing, so a key can never
// do what the window would not let a click do.
#pragma once

class QAbstractButton;
class QWidget;

namespace tarvex {

struct WindowKeyButtons {
    QAbstractButton *open = nullptr;
    QAbstractButton *save = nullptr;
    QAbstractButton *read = nullptr;
    // A window without a close box, whose way out is a button of its own
    // (EXIT, with its motion stops): Ctrl+W presses that button instead.
    QAbstractButton *close = nullptr;
};

void addWindowKeys(QWidget &window, const WindowKeyButtons &buttons = {});

} // namespace tarvex
