// Answers a file dialog as the user does, from inside its own event loop:
// a timer finds it among the top-level widgets once it is shown.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace tarvex::test {

// Types `path` into the dialog's file name box and accepts it. (selectFile()
// leaves the box alone while it has the focus, which it has once the dialog
// is active, so the dialog would go on waiting.)
inline void chooseInFileDialog(QFileDialog &dialog, const QString &path)
{
    dialog.selectFile(path);
    if (auto *name = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        name->setText(path);
    QMetaObject::invokeMethod(&dialog, "accept");
}

// Hands the next file dialog shown (within 5 s) to `handle`, which must
// accept or reject it. The dialog is handed over once it is the active
// window, as it is when a user types into it: keys typed into a dialog that
// is still settling (its folder listed but not yet active) can leave a stale
// selection that turns Return into a change of folder. A dialog that
// `handle` leaves open is a failure, and is rejected so that the test ends
// instead of waiting in it for ever.
inline void whenNextFileDialogShows(std::function<void(QFileDialog &)> handle)
{
    auto *poll = new QTimer(QCoreApplication::instance()); // never outlives the test program
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, handle] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(widget);
            if (!dialog || !dialog->isVisible())
                continue;
            poll->stop();
            poll->deleteLater();
            if (!QTest::qWaitForWindowActive(dialog, 10000))
                ADD_FAILURE() << "the file dialog never became the active window";
            handle(*dialog);
            QTimer::singleShot(10000, dialog, [dialog] {
                if (!dialog->isVisible())
                    return;
                ADD_FAILURE() << "the file dialog was left open; its name box holds \""
                              << dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text().toStdString()
                              << "\" in " << dialog->directory().absolutePath().toStdString();
                dialog->reject();
            });
            return;
        }
    });
    poll->start();
    QTimer::singleShot(5000, poll, [poll] {
        poll->stop();
        poll->deleteLater();
    });
}

// Answers the next file dialog with `path` (an empty path cancels it).
inline void answerNextFileDialog(const QString &path)
{
    whenNextFileDialogShows([path](QFileDialog &dialog) {
        if (path.isEmpty())
            dialog.reject();
        else
            chooseInFileDialog(dialog, path);
    });
}

} // namespace tarvex::test
