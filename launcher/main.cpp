// DrivePick: the launcher of the drive variants' main programs.
#include "launcher/drive_pick_window.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("DrivePick"));
    CDrivePickDlg window(
        [](const QString &program) {
            // The programs are installed beside DrivePick, wherever it is
            // started from.
            const QString path = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(program);
            return QFileInfo(path).isExecutable() && QProcess::startDetached(path, {}, QCoreApplication::applicationDirPath());
        },
        [](QWidget *parent, const QString &text) { QMessageBox::information(parent, QStringLiteral("DrivePick"), text); });
    window.show();
    // A picture for the user manual: TARVEX_GRAB=<file.png> saves the window
    // into the file once it is shown, then ends the program.
    const QString grabFile = qEnvironmentVariable("TARVEX_GRAB");
    if (!grabFile.isEmpty())
        QTimer::singleShot(500, &window, [&window, grabFile] {
            window.grab().save(grabFile);
            QApplication::quit();
        });
    return app.exec();
}
