#include "app/monitor/status_recording.h"

#include "app/ui/chart/csv_export_dialog.h"
#include "app/monitor/dock_main1_dlg.h"
#include "drive/connection/message_service.h"
#include "drive/files/file_access.h"
#include "drive/files/recording_journal.h"
#include "drive/monitor/status_record_rows.h"
#include "app/ui/settings/recording_journal_folder.h"

#include <QAction>
#include <QFile>
#include <QWidget>

namespace tarvex {

StatusRecording::StatusRecording(MessageService &messages, QWidget *dialogParent)
    : QObject(dialogParent), messages_(messages), dialogParent_(dialogParent),
      action_(new QAction(QString::fromLatin1(kStartText), this))
{
    action_->setObjectName(QStringLiteral("recordStatusToCsv"));
    action_->setStatusTip(QStringLiteral("Writes the state variables of every monitoring cycle into a CSV file"));
    connect(action_, &QAction::triggered, this, &StatusRecording::chosen);
    refreshAction();
}

StatusRecording::~StatusRecording()
{
    stop();
    // The program is ending: it does not wait for the file; the journal
    // stays whole for the next start unless the save has finished.
    abandonSave_.store(true);
    saver_.waitUntilEnded({});
    // A save that finished before its report could be served needs its journal no more.
    if (saving_ && savedWhole_.load())
        saving_->discard();
    saving_.reset();
}

void StatusRecording::attach(CDockMain1Dlg *statusDialog)
{
    if (status_)
        disconnect(status_, nullptr, this, nullptr);
    stop();
    status_ = statusDialog;
    live_ = false;
    if (status_) {
        connect(status_, &CDockMain1Dlg::cycleArrived, this, &StatusRecording::record);
        connect(status_, &CDockMain1Dlg::staleChanged, this, [this](bool stale) { monitoringLive(!stale); });
        // The pane goes with "NEW" and at shutdown: the file is closed first.
        connect(status_, &QObject::destroyed, this, [this] {
            live_ = false;
            stop();
        });
    }
    refreshAction();
}

void StatusRecording::chosen()
{
    if (isRecording()) {
        stop();
        return;
    }
    if (isSaving())
        return; // the item is greyed meanwhile
    const QString path = graphs::chooseCsvFileToSave(dialogParent_);
    // Monitoring may have stopped while the dialog was open.
    if (!path.isEmpty() && live_)
        start(path);
}

void StatusRecording::start(const QString &path)
{
    const std::string target = QFile::encodeName(path).toStdString();
    // Refused now rather than after an hour of recording.
    if (const FileOutcome savable = checkSavable(target); !savable) {
        messages_.show("Cannot Save CSV File", target + ": " + savable.reason);
        return;
    }
    const auto began = std::chrono::system_clock::now();
    std::string reason;
    journal_ = journal::JournalWriter::create(
        QFile::encodeName(recordingJournalFolder()).toStdString(),
        {"Servo Status", status_record::isoTime(began), target},
        [this] { QMetaObject::invokeMethod(this, &StatusRecording::writeFailed, Qt::QueuedConnection); }, reason);
    if (!journal_) {
        messages_.show("Cannot Save CSV File", reason);
        return;
    }
    path_ = path;
    rows_ = 0;
    started_ = std::chrono::steady_clock::now();
    journal_->append(status_record::headerLines(began));
    refreshAction();
    Q_EMIT recordingChanged(true, path_);
}

void StatusRecording::stop()
{
    if (!journal_)
        return;
    savingJournalled_ = journal_->finish();
    saving_ = std::move(journal_);
    // Only one save at a time (the item is greyed while one runs); the
    // last one's thread may still be returning from its report.
    saver_.waitUntilEnded({});
    abandonSave_.store(false);
    savedWhole_.store(false);
    saver_.startIfIdle([this, pieces = saving_->pieces(), target = QFile::encodeName(path_).toStdString()] {
        const FileOutcome saved = journal::saveRun(pieces, target, &abandonSave_);
        savedWhole_.store(static_cast<bool>(saved));
        // Dropped by Qt should this object be gone by then.
        QMetaObject::invokeMethod(this, [this, saved] { saveEnded(saved); }, Qt::QueuedConnection);
    });
    refreshAction();
    Q_EMIT recordingChanged(false, path_);
}

void StatusRecording::saveEnded(const FileOutcome &saved)
{
    // Unsaved, the rows stay in the journal for the next start to offer.
    if (saved)
        saving_->discard();
    saving_.reset();
    refreshAction();
    const std::string target = QFile::encodeName(path_).toStdString();
    if (!saved)
        messages_.show("Recording to CSV stopped: cannot write " + target,
                       saved.reason + ". The next start offers to recover the recording.");
    else if (!savingJournalled_)
        messages_.show("Recording to CSV stopped: cannot write " + target,
                       "The rows recorded until the failure are in the file.");
}

void StatusRecording::record(const StatusCycle &cycle)
{
    live_ = true;
    if (journal_) {
        journal_->append(status_record::rowLine(cycle, started_));
        ++rows_;
    }
    refreshAction();
}

void StatusRecording::monitoringLive(bool live)
{
    live_ = live;
    if (!live)
        stop();
    refreshAction();
}

void StatusRecording::writeFailed()
{
    stop(); // reports the failure
}

void StatusRecording::refreshAction()
{
    action_->setText(QString::fromLatin1(isRecording() ? kStopText : kStartText));
    action_->setEnabled(isRecording() || (live_ && !isSaving()));
}

} // namespace tarvex
