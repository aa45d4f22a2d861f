#include "upgrader/caution_dialog.h"

#include "upgrader/upgrader_art.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CCautionDlg::CCautionDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Caution"));
    auto *sign = new QLabel(this);
    sign->setPixmap(cautionSign(72));
    auto *text = new QLabel(
        tr("<b>Firmware download</b><br><br>"
           "The drive's program is replaced. While the download runs:<ul>"
           "<li>keep the drive's control power on,</li>"
           "<li>do not unplug the USB serial cable,</li>"
           "<li>make sure the motor is stopped and the servo is off.</li></ul>"
           "Close the main program's connection first; the upgrader needs the port."),
        this);
    text->setWordWrap(true);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *row = new QHBoxLayout;
    row->addWidget(sign, 0, Qt::AlignTop);
    row->addWidget(text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setFixedWidth(420);
}
