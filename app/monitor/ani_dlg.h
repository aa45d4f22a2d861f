// The dialog of the "Communication Status" pane: the link animation.
#pragma once

#include "app/ui/link_animation.h"

#include <QWidget>

class QLabel;

namespace tarvex {

class CAni : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 340;
    explicit CAni(QWidget *parent = nullptr);

    CLinkAnimation &animation() { return m_animation; }
    // The drive's active alarm and what to do; empty text for none.
    void showAlarm(const QString &text, const QString &remedy);
    QString alarmText() const;

private:
    CLinkAnimation m_animation;
    QLabel *m_alarm = nullptr;
};

} // namespace tarvex
