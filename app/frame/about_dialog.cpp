#include "app/frame/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace tarvex {

CAboutTarvex::CAboutTarvex(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Tarvex"));
    setModal(true);

    auto *icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/tarvex/tarvex.svg")).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto *name = new QLabel(QStringLiteral("Tarvex_M9A Ver 2.7"), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    name->setFont(bold);
    auto *build = new QLabel(QStringLiteral("Tarvex_M9A 2013-06-18"), this);
    auto *tagline1 = new QLabel(QStringLiteral("Set-up, monitoring and tuning software"), this);
    auto *tagline2 = new QLabel(QStringLiteral("for M9A series AC servo drives"), this);

    auto *texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(build);
    texts->addSpacing(8);
    texts->addWidget(tagline1);
    texts->addWidget(tagline2);

    auto *row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addLayout(texts, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addSpacing(6);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace tarvex
