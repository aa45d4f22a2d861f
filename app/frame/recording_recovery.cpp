#include "app/frame/recording_recovery.h"

#include "app/ui/chart/csv_export_dialog.h"
#include "app/ui/settings/recording_journal_folder.h"
#include "app/ui/ui_wait.h"
#include "drive/connection/message_service.h"
#include "drive/files/recording_journal.h"

#include <QFile>

namespace tarvex {

namespace {

enum Answer { kSave, kDiscard, kKeep };

} // namespace

void offerUnfinishedRecordings(MessageService &messages, QWidget *dialogParent)
{
    const std::string folder = QFile::encodeName(recordingJournalFolder()).toStdString();
    for (const journal::UnfinishedRun &run : journal::findUnfinishedRuns(folder)) {
        std::string about = run.info.kind + ", started " + run.info.started;
        if (!run.info.target.empty())
            about += ", for " + run.info.target;
        const Message question{Message::Kind::Question,
                               "An unfinished recording was found. Save it to a file, discard it or keep it for "
                               "the next start?",
                               "Recover Recording", about};
        // Keep, the answer that loses nothing, is what closing the box means.
        const int answer = messages.choose(question, {{"Save...", "Discard", "Keep"}, kKeep});
        if (answer == kDiscard) {
            journal::discardRun(run.pieces);
            continue;
        }
        if (answer != kSave)
            continue;
        const QString path = graphs::chooseCsvFileToSave(dialogParent);
        if (path.isEmpty())
            continue; // kept for the next start
        const std::string target = QFile::encodeName(path).toStdString();
        // Hours of recording are hundreds of megabytes: the window keeps painting meanwhile.
        FileOutcome saved;
        runKeepingUiAlive([&] { saved = journal::saveRun(run.pieces, target); });
        if (!saved) {
            messages.show("Cannot recover the recording", target + ": " + saved.reason);
            continue;
        }
        journal::discardRun(run.pieces);
    }
}

} // namespace tarvex
