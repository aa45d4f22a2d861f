#include "launcher/drive_pick_window.h"

#include <QFontMetricsF>
#include <QHeaderView>
#include <QLabel>
#include <QLinearGradient>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QPixmap drivePickLogo(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient band(0, 0, size.width(), size.height());
    band.setColorAt(0, QColor(25, 55, 105));
    band.setColorAt(1, QColor(70, 120, 180));
    p.fillRect(pm.rect(), band);
    // A servo motor seen from the side: housing, flange and shaft.
    const double h = size.height();
    p.setPen(QPen(QColor(20, 20, 20), 1.5));
    p.setBrush(QColor(200, 205, 210));
    p.drawRoundedRect(QRectF(10, h * 0.25, h * 1.1, h * 0.5), 4, 4);
    p.setBrush(QColor(150, 155, 160));
    p.drawRect(QRectF(10 + h * 1.1, h * 0.2, h * 0.15, h * 0.6));
    p.drawRect(QRectF(10 + h * 1.25, h * 0.45, h * 0.3, h * 0.1));
    // The name is shrunk until it fits beside the motor: the fonts installed
    // differ in width from machine to machine.
    const QString name = QStringLiteral("M9 Servo Drive");
    const QRectF textBox(h * 1.8, 0, size.width() - h * 1.8 - 8, h);
    QFont font = p.font();
    font.setBold(true);
    int pixels = static_cast<int>(h * 0.32);
    font.setPixelSize(pixels);
    while (pixels > 8 && QFontMetricsF(font).horizontalAdvance(name) > textBox.width())
        font.setPixelSize(--pixels);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft, name);
    p.end();
    return pm;
}

} // namespace

CDrivePickDlg::CDrivePickDlg(ProgramStarter starter, MessagePresenter presenter, QWidget *parent)
    : QDialog(parent), starter_(std::move(starter)), presenter_(std::move(presenter))
{
    setWindowTitle(QStringLiteral("Servo Drive Select_u2.7"));

    auto *menuBar = new QMenuBar(this);
    menuBar->addMenu(tr("&Help"))->addAction(QStringLiteral("&About DrivePick..."), this, &CDrivePickDlg::showAbout);

    auto *logo = new QLabel(this);
    logo->setPixmap(drivePickLogo(QSize(260, 64)));
    logo->setAlignment(Qt::AlignCenter);

    list_ = new QTreeWidget(this);
    list_->setColumnCount(1);
    list_->setHeaderLabels({QStringLiteral("Servo Drive")});
    list_->header()->setDefaultAlignment(Qt::AlignCenter);
    list_->setColumnWidth(0, 160);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (const auto &row : kRows) {
        auto *item = new QTreeWidgetItem(list_, {QString::fromLatin1(row[0])});
        item->setCheckState(0, Qt::Unchecked);
        item->setTextAlignment(0, Qt::AlignCenter);
    }
    list_->setFixedHeight(90);

    auto *startButton = new QPushButton(QStringLiteral("Start"), this);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    startButton->setDefault(true);
    connect(startButton, &QPushButton::clicked, this, &CDrivePickDlg::start);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(startButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addWidget(logo);
    layout->addWidget(list_);
    layout->addLayout(buttons);
}

void CDrivePickDlg::start()
{
    if (list_->topLevelItemCount() == 0) {
        presenter_(this, QStringLiteral("Select servo drive type!"));
        return;
    }
    bool checked = false;
    QStringList missing;
    for (int row = 0; row < list_->topLevelItemCount() && row < 2; ++row) {
        if (list_->topLevelItem(row)->checkState(0) != Qt::Checked)
            continue;
        checked = true;
        const QString program = QString::fromLatin1(kRows[row][1]);
        if (!starter_(program))
            missing << program;
    }
    if (!checked) {
        presenter_(this, QStringLiteral("Select servo drive type!"));
        return;
    }
    // The window stays while a chosen program could not be started, so
    // that the user knows nothing is coming.
    if (!missing.isEmpty()) {
        const QString names = missing.join(QStringLiteral(", "));
        presenter_(this, names + QStringLiteral(" could not be started: it is not installed beside DrivePick. "
                                                "Install it, or choose another drive."));
        return;
    }
    accept();
}

void CDrivePickDlg::showAbout()
{
    QMessageBox::about(this, QStringLiteral("About DrivePick"), QStringLiteral("DrivePick\nVersion 1.0"));
}
