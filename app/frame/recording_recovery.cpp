#include "app/frame/recording_recovery.h"

#include "app/ui/chart/csv_export_dialog.h"
#include "app/ui/settings/recording_journal_folder.h"
#include "drive/connection/message_service.h"
#include "drive/files/recording_journal.h"

#include <QFile>

namespace tarvex {

void offerUnfinishedRecordings(MessageService &messages, QWidget *dialogParent)
{
    const std::string folder = QFile::encodeName(recordingJournalFolder()).toStdString();
    for (const journal::UnfinishedRun &run : journal::findUnfinishedRuns(folder)) {
        std::string about = run.info.kind + ", started " + run.info.started;
        if (!run.info.target.empty())
            about += ", for " + run.info.target;
        const bool recover = messages.present({Message::Kind::Question,
                                               "An unfinished recording was found. Save it to a file?",
                                               "Recover Recording", about});
        if (!recover) {
            if (messages.ask("Discard the unfinished recording? No keeps it for the next start.",
                             "Recover Recording"))
                journal::discardRun(run.pieces);
            continue;
        }
        const QString path = graphs::chooseCsvFileToSave(dialogParent);
        if (path.isEmpty())
            continue; // kept for the next start
        const std::string target = QFile::encodeName(path).toStdString();
        if (const FileOutcome saved = journal::saveRun(run.pieces, target); !saved) {
            messages.show("Cannot recover the recording", target + ": " + saved.reason);
            continue;
        }
        journal::discardRun(run.pieces);
    }
}

} // namespace tarvex
