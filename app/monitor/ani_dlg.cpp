#include "app/monitor/ani_dlg.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tarvex {

CAni::CAni(QWidget *parent) : QWidget(parent), m_animation(this)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(&m_animation);
    m_alarm = new QLabel(this);
    m_alarm->setObjectName(QStringLiteral("ActiveAlarm"));
    m_alarm->setWordWrap(true);
    m_alarm->setStyleSheet(QStringLiteral("QLabel { color: #c00000; font-weight: bold; }"));
    m_alarm->hide();
    layout->addWidget(m_alarm);
    m_animation.Open();
}

void CAni::showAlarm(const QString &text, const QString &remedy)
{
    m_alarm->setText(text.isEmpty() ? QString() : text + QStringLiteral("\n") + remedy);
    m_alarm->setVisible(!text.isEmpty());
}

QString CAni::alarmText() const { return m_alarm->text(); }

} // namespace tarvex
