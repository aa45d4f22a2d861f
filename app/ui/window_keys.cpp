#include "app/ui/window_keys.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace tarvex {

namespace {

void pressOn(QWidget &window, const QKeySequence &keys, QAbstractButton *button)
{
    if (!button)
        return;
    auto *shortcut = new QShortcut(keys, &window);
    shortcut->setContext(Qt::WindowShortcut);
    // The button is the connection's context: gone with it.
    QObject::connect(shortcut, &QShortcut::activated, button, [button] {
        if (button->isEnabled() && button->isVisible())
            button->click();
    });
}

} // namespace

void addWindowKeys(QWidget &window, const WindowKeyButtons &buttons)
{
    if (buttons.close) {
        pressOn(window, QKeySequence(Qt::CTRL | Qt::Key_W), buttons.close);
    } else {
        auto *close = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_W), &window);
        close->setContext(Qt::WindowShortcut);
        QObject::connect(close, &QShortcut::activated, &window, &QWidget::close);
    }
    pressOn(window, QKeySequence(Qt::CTRL | Qt::Key_O), buttons.open);
    pressOn(window, QKeySequence(Qt::CTRL | Qt::Key_S), buttons.save);
    pressOn(window, QKeySequence(Qt::Key_F5), buttons.read);
}

} // namespace tarvex
