// The dialog of the "Communication Status" pane: the link animation.
#pragma once

#include "link_animation.h"

#include <QWidget>

namespace tarvex {

class CAni : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 340;
    explicit CAni(QWidget *parent = nullptr);

    CLinkAnimation &animation() { return m_animation; }

private:
    CLinkAnimation m_animation;
};

} // namespace tarvex
