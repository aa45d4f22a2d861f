#include "app/parameters/parameter_tab_ctrl.h"

#include <QTabBar>

#include <algorithm>

namespace tarvex {

CParameterTabCtrl::CParameterTabCtrl(QWidget *parent) : QWidget(parent), tabs_(new QTabBar(this))
{
    tabs_->setDrawBase(true);
    tabs_->setExpanding(false);
    connect(tabs_, &QTabBar::currentChanged, this, &CParameterTabCtrl::selectionChanged);
}

int CParameterTabCtrl::InsertItem(const QString &text) { return tabs_->addTab(text); }

int CParameterTabCtrl::GetCurSel() const { return tabs_->currentIndex(); }

QRect CParameterTabCtrl::pageRect() const
{
    const int top = std::max(22, tabs_->sizeHint().height());
    return {2, top, std::max(0, width() - 6), std::max(0, height() - top - 3)};
}

void CParameterTabCtrl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    tabs_->setGeometry(0, 0, width(), tabs_->sizeHint().height());
    Q_EMIT resized();
}

} // namespace tarvex
