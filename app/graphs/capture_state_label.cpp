#include "app/graphs/capture_state_label.h"

namespace tarvex::graphs {

CCaptureStateLabel::CCaptureStateLabel(QWidget *parent) : QLabel(parent)
{
    ticker_.setInterval(100);
    connect(&ticker_, &QTimer::timeout, this, &CCaptureStateLabel::showWaiting);
    setText(QStringLiteral("Idle"));
}

void CCaptureStateLabel::armed()
{
    waited_.start();
    ticker_.start();
    setStyleSheet(QStringLiteral("color: #b06000; font-weight: bold"));
    showWaiting();
}

void CCaptureStateLabel::showWaiting()
{
    setText(QStringLiteral("Armed, waiting for the trigger: %1 s")
                .arg(static_cast<double>(waited_.elapsed()) / 1000.0, 0, 'f', 1));
}

void CCaptureStateLabel::settle(const QString &text, const char *color)
{
    ticker_.stop();
    setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(color)));
    setText(text);
}

void CCaptureStateLabel::captured()
{
    settle(QStringLiteral("Captured after %1 s").arg(static_cast<double>(waited_.elapsed()) / 1000.0, 0, 'f', 1),
           "#006000");
}

void CCaptureStateLabel::stopped() { settle(QStringLiteral("Stopped; the drive stays armed"), "#404040"); }

void CCaptureStateLabel::endedWithoutCapture() { settle(QStringLiteral("Ended without a capture"), "#a00000"); }

} // namespace tarvex::graphs
