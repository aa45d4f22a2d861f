#include "app/parameters/parameter_window.h"

#include "app/parameters/parameter_dlg.h"
#include "app/parameters/parameter_file_dialog.h"
#include "app/parameters/parameter_message_dlg.h"
#include "app/ui/settings/recent_files.h"
#include "app/ui/settings/window_size_keeper.h"

#include <QCoreApplication>

namespace tarvex {

CParameterWindow::CParameterWindow(QWidget *frame, CParameter::LinkRunner runner)
    : frame_(frame), runner_(std::move(runner))
{
}

CParameterWindow::~CParameterWindow()
{
    delete dialog_.data();
    delete closing_.data();
}

CParameterDlg *CParameterWindow::dialog() const { return dialog_.data(); }

void CParameterWindow::present()
{
    if (!drive_)
        return;
    const QString file = QString::fromStdString(takeFileToOpen());
    if (dialog_) {
        dialog_->show();
        dialog_->raise();
        dialog_->activateWindow();
        loadInto(file);
        return;
    }
    CPmessageDlg note(frame_);
    note_ = &note;
    note.show();
    note.raise();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    auto *dialog = new CParameterDlg(*drive_, runner_, frame_);
    keepWindowSize(*dialog);
    dialog_ = dialog;
    dialog->setExitHandler([this, dialog] {
        delete closing_.data(); // an earlier window that is already hidden
        closing_ = dialog;
        dialog_ = nullptr;
    });
    dialog->setProgressObserver([&note](const QString &text) { note.showProgress(text); });
    dialog->OnInitDialog();
    dialog->setProgressObserver({});
    note_ = nullptr;
    if (dialog_) {
        dialog->show();
        dialog->raise();
        dialog->activateWindow();
        loadInto(file);
    }
}

// Only between the window's own commands, as its Open button.
void CParameterWindow::loadInto(const QString &file)
{
    CParameterDlg *dialog = dialog_.data();
    if (!file.isEmpty() && dialog && !dialog->isCommandRunning() && dialog->loadFrom(file))
        RecentFiles::add(parameterFileType().kind, file);
}

void CParameterWindow::monitoringSwitched(bool running)
{
    if (dialog_)
        dialog_->monitoringSwitched(running);
}

void CParameterWindow::leaveDrive()
{
    if (dialog_)
        dialog_->OnExit();
}

} // namespace tarvex
