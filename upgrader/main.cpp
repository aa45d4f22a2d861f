// M9 Upgrader: downloads a firmware image into the drive's boot loader.
#include "upgrader/caution_dialog.h"
#include "upgrader/upgrader_options.h"
#include "upgrader/upgrader_window.h"
#include "app/ui/files/picture_file.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QImage>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("M9 Upgrader"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    const upgrader::UpgraderStart start = upgrader::parseUpgraderOptions(QApplication::arguments());
    if (start.exitCode)
        return *start.exitCode;
    // Pictures for the user manual: TARVEX_GRAB=<dir/name.png> saves the
    // caution as <dir/name-caution.png> and the main window as the file
    // named, then ends the program.
    const QString grabFile = qEnvironmentVariable("TARVEX_GRAB");

    CM9UpgraderDlg window([](QWidget *parent, const QString &text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("M9 Upgrader"), text, QMessageBox::Ok, parent);
        box.exec();
    });
    window.show();
    if (!start.port.isEmpty())
        window.takeOverPort(start.port);
    CCautionDlg caution(&window);
    if (!grabFile.isEmpty()) {
        const QFileInfo file(grabFile);
        const QString cautionFile = file.path() + QStringLiteral("/") + file.completeBaseName() +
                                    QStringLiteral("-caution.png");
        QTimer::singleShot(500, &caution, [&caution, cautionFile] {
            if (const tarvex::FileOutcome saved = tarvex::saveImageFile(caution.grab().toImage(), cautionFile); !saved)
                std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(cautionFile), saved.reason.c_str());
            caution.accept();
        });
    }
    caution.exec();
    if (!grabFile.isEmpty())
        QTimer::singleShot(500, &window, [&window, grabFile] {
            if (const tarvex::FileOutcome saved = tarvex::saveImageFile(window.grab().toImage(), grabFile); !saved)
                std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(grabFile), saved.reason.c_str());
            QApplication::quit();
        });
    return app.exec();
}
