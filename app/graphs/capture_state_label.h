// The line under a one-shot capture's commands that says where the capture
// stands: armed and waiting for its event (with the time waited so far,
// counted up while waiting), captured, stopped while the drive stays armed,
// or ended without a capture.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

namespace tarvex::graphs {

class CCaptureStateLabel : public QLabel {
    Q_OBJECT
public:
    explicit CCaptureStateLabel(QWidget *parent = nullptr);

    void armed();
    void captured();
    void stopped();
    void endedWithoutCapture();

    bool isWaiting() const { return ticker_.isActive(); }

private:
    void showWaiting();
    void settle(const QString &text, const char *color);

    QElapsedTimer waited_;
    QTimer ticker_;
};

} // namespace tarvex::graphs
