#include "app/operation/window_event_hook.h"

#include <QKeyEvent>
#include <QWidget>

namespace tarvex {

void WindowEventHook::watch(QWidget &window)
{
    QWindow *handle = window.windowHandle();
    if (handle == m_window)
        return;
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = handle;
    if (m_window)
        m_window->installEventFilter(this);
}

bool WindowEventHook::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event && m_handler)
        return m_handler(*event);
    return false;
}

bool isEnterOrEscape(const QEvent &event)
{
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease &&
        event.type() != QEvent::ShortcutOverride)
        return false;
    const int key = static_cast<const QKeyEvent &>(event).key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace tarvex
