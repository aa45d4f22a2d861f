#include "ani_dlg.h"

#include <QVBoxLayout>

namespace tarvex {

CAni::CAni(QWidget *parent) : QWidget(parent), m_animation(this)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&m_animation);
    m_animation.Open();
}

} // namespace tarvex
