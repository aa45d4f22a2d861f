// The tab control of the parameter window: a row of tabs over a page area
// in which the window places its group forms itself (each form a child of
// this control, shown when its tab is selected).
#pragma once

#include <QWidget>

class QTabBar;

namespace tarvex {

class CParameterTabCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kControlId = 1000;

    explicit CParameterTabCtrl(QWidget *parent = nullptr);

    QTabBar &tabBar() { return *tabs_; }
    int InsertItem(const QString &text);
    int GetCurSel() const;
    // Where a page goes: (2, 22) below the tab row's top, the client width
    // minus 6 and the client height minus 25 (the tab row is never covered).
    QRect pageRect() const;

Q_SIGNALS:
    void selectionChanged(int index);
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QTabBar *tabs_ = nullptr;
};

} // namespace tarvex
