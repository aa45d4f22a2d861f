// Drives a chart's context menu as the user does: a right click on the plot
// (or the menu key) opens it in its own event loop; while it is up, a timer
// finds it among the top-level widgets, lets the test look at it and choose
// an entry, and closes it. A file dialog opened by the chosen entry is
// answered the same way.
#pragma once

#include "app/ui/chart/chart_view.h"
#include "tests/app/support/file_dialog_driver.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <functional>

namespace tarvex::test {

inline QAction *menuEntry(const QMenu &menu, const QString &text)
{
    for (QAction *action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

// Runs `open`, which starts the menu's event loop; `inspect` sees the menu
// while it is shown, then it is closed. True when a menu was shown.
inline bool whileChartMenuShown(const std::function<void()> &open, const std::function<void(QMenu &)> &inspect)
{
    bool shown = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *menu = qobject_cast<QMenu *>(widget);
            if (!menu || !menu->isVisible() || menu->objectName() != QLatin1String("chartContextMenu"))
                continue;
            shown = true;
            poll.stop();
            inspect(*menu);
            if (menu->isVisible())
                menu->close();
            return;
        }
    });
    poll.start();
    // A menu that never opens does not leave the poll running.
    QTimer::singleShot(3000, &poll, &QTimer::stop);
    open();
    if (!shown)
        QTest::qWait(50);
    return shown;
}

inline QPoint plotCentre(CChartView &chart) { return chart.plotArea().center(); }

// Through the window, as the platform delivers it, so that the window turns
// the right button into a context menu request as it does for the user.
inline void rightClickPlot(CChartView &chart)
{
    QWidget *top = chart.window();
    QTest::mouseClick(top->windowHandle(), Qt::RightButton, {}, chart.plotWidget()->mapTo(top, plotCentre(chart)));
}

inline void pressMenuKey(CChartView &chart)
{
    QTest::keyClick(chart.window()->windowHandle(), Qt::Key_Menu);
}

// Right click on the plot, choose `entry` of the submenu `submenu` (or of
// the menu itself when `submenu` is empty). True when the menu was shown and
// held an enabled entry of that name.
inline bool chooseFromChartSubmenu(CChartView &chart, const QString &submenu, const QString &entry)
{
    bool chosen = false;
    const bool shown = whileChartMenuShown([&] { rightClickPlot(chart); }, [&](QMenu &menu) {
        QMenu *holder = &menu;
        if (!submenu.isEmpty()) {
            QAction *sub = menuEntry(menu, submenu);
            holder = sub ? sub->menu() : nullptr;
        }
        QAction *action = holder ? menuEntry(*holder, entry) : nullptr;
        if (!action || !action->isEnabled())
            return;
        chosen = true;
        menu.close();
        action->trigger();
    });
    return shown && chosen;
}

// Right click on the plot, choose `entry` (a top-level entry of the menu).
inline bool chooseFromChartMenu(CChartView &chart, const QString &entry)
{
    return chooseFromChartSubmenu(chart, QString(), entry);
}

// A turn of the mouse wheel over the plot by `notches` (positive: away from
// the user), with `modifiers` held.
inline void turnWheel(CChartView &chart, int notches, Qt::KeyboardModifiers modifiers = {})
{
    QWidget *plot = chart.plotWidget();
    const QPointF at = chart.plotArea().center();
    QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
}

// Answers the size question of the next picture export with `size` (its
// suggestion when none is given) and tells what it suggested.
inline void answerNextPictureSize(QSize *suggested = nullptr, QSize size = QSize())
{
    auto *poll = new QTimer(QCoreApplication::instance()); // never outlives the test program
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, suggested, size] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != QLatin1String("pictureSizeDialog"))
            return;
        poll->stop();
        poll->deleteLater();
        auto *width = dialog->findChild<QSpinBox *>(QStringLiteral("pictureWidth"));
        auto *height = dialog->findChild<QSpinBox *>(QStringLiteral("pictureHeight"));
        if (suggested)
            *suggested = QSize(width->value(), height->value());
        if (size.isValid()) {
            width->setValue(size.width());
            height->setValue(size.height());
        }
        dialog->accept();
    });
    poll->start();
}

} // namespace tarvex::test
