// Sees every event of a top-level window before the window's widgets do,
// the way a dialog's message filter runs ahead of dialog processing. The
// hook sits on the window system's window of the dialog, so each mouse
// event is seen exactly once, with the button state the window system
// reports, before any widget takes it (or a press sets up a widget's grab).
#pragma once

#include <QObject>
#include <QPointer>
#include <QWindow>

#include <functional>

class QEvent;
class QWidget;

namespace tarvex {

class WindowEventHook : public QObject {
public:
    // Returns true when the event has been consumed.
    using Handler = std::function<bool(QEvent &)>;

    explicit WindowEventHook(Handler handler) : m_handler(std::move(handler)) {}

    // Follows the widget's window; called whenever it is shown, since the
    // window system's window can be created afresh.
    void watch(QWidget &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Handler m_handler;
    QPointer<QWindow> m_window;
};

// Enter and Escape, which the operation windows ignore so that neither
// closes a window or presses a button by accident.
bool isEnterOrEscape(const QEvent &event);

} // namespace tarvex
