// The "Parameter Read" note shown while the parameter window is created and
// reads every group from the drive. A third line names the group being read.
#pragma once

#include <QDialog>

class QLabel;

namespace tarvex {

class CPmessageDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 444;

    explicit CPmessageDlg(QWidget *parent = nullptr);

    void showProgress(const QString &text);
    QString progressText() const;

private:
    QLabel *progress_ = nullptr;
};

} // namespace tarvex
