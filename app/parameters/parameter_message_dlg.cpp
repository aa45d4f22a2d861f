#include "app/parameters/parameter_message_dlg.h"

#include "app/parameters/dialog_units.h"

#include <QLabel>

namespace tarvex {

CPmessageDlg::CPmessageDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    using parameters::duRect;
    setWindowTitle(QStringLiteral("Parameter Read"));
    setFixedSize(parameters::duSize(160, 58));
    auto *first = new QLabel(QStringLiteral("Parameter All Read...."), this);
    first->setGeometry(duRect(14, 10, 132, 10));
    auto *second = new QLabel(QStringLiteral("Wait until the end of reading"), this);
    second->setGeometry(duRect(14, 24, 132, 10));
    progress_ = new QLabel(this);
    progress_->setGeometry(duRect(14, 40, 132, 10));
}

void CPmessageDlg::showProgress(const QString &text)
{
    progress_->setText(text);
    progress_->repaint();
}

QString CPmessageDlg::progressText() const { return progress_->text(); }

} // namespace tarvex
