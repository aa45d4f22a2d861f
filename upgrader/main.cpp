// M9 Upgrader: downloads a firmware image into the drive's boot loader.
#include "caution_dialog.h"
#include "upgrader_window.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("M9 Upgrader"));

    CM9UpgraderDlg window([](QWidget *parent, const QString &text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("M9 Upgrader"), text, QMessageBox::Ok, parent);
        box.exec();
    });
    window.show();
    CCautionDlg caution(&window);
    caution.exec();
    return app.exec();
}
