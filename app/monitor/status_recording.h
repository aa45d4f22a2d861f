// Monitor > "Record to CSV...": while cyclic monitoring runs, writes a row
// per poll cycle of the "Servo Status" pane into a CSV file chosen by the
// user, until "Stop Recording" (the same menu item), or until monitoring or
// the link stops, or the pane goes away. The rows go to a journal beside
// the settings on a thread of their own, so that a crash loses at most the
// last second; the end of the recording turns the journal into the chosen
// file (atomically) on a worker thread, since hours of rows take seconds to
// copy and the window keeps working meanwhile. A failed write ends the
// recording with a message; a failed or interrupted save (the program
// ending meanwhile) leaves the journal for the next start to offer.
#pragma once

#include "drive/connection/status_views.h"
#include "drive/connection/worker_thread.h"
#include "drive/files/file_access.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <chrono>
#include <memory>

class QAction;
class QWidget;

namespace tarvex {

class CDockMain1Dlg;
class MessageService;

namespace journal {
class JournalWriter;
}

class StatusRecording : public QObject {
    Q_OBJECT
public:
    // The Monitor menu's entry, with its Alt+letter after the '&'.
    static constexpr const char *kStartText = "&Record to CSV...";
    static constexpr const char *kStopText = "Stop &Recording";

    // `dialogParent` owns the file dialog; the object lives as long as it.
    StatusRecording(MessageService &messages, QWidget *dialogParent);
    ~StatusRecording() override;

    QAction *action() const { return action_; }
    // The status pane whose cycles are recorded (a new one after "NEW").
    void attach(CDockMain1Dlg *statusDialog);

    bool isRecording() const { return journal_ != nullptr; }
    // The recording has ended and its file is being written.
    bool isSaving() const { return saving_ != nullptr; }
    QString path() const { return path_; }
    long rowsRecorded() const { return rows_; }
    // Ends the recording and begins writing the file; what was recorded stays.
    void stop();

Q_SIGNALS:
    // A recording into `path` began (true) or ended (false), however it ended.
    void recordingChanged(bool recording, const QString &path);

private:
    void chosen();
    void start(const QString &path);
    void record(const StatusCycle &cycle);
    void monitoringLive(bool live);
    void writeFailed();
    void saveEnded(const FileOutcome &saved);
    void refreshAction();

    MessageService &messages_;
    QWidget *dialogParent_;
    QAction *action_;
    QPointer<CDockMain1Dlg> status_;
    std::unique_ptr<journal::JournalWriter> journal_;
    QString path_;
    std::chrono::steady_clock::time_point started_;
    long rows_ = 0;
    bool live_ = false;
    // The ended run while its file is written, and whether its journal took every row.
    std::unique_ptr<journal::JournalWriter> saving_;
    bool savingJournalled_ = true;
    std::atomic<bool> abandonSave_{false};
    std::atomic<bool> savedWhole_{false}; // set by the save itself, before its report is served
    WorkerHandle saver_;
};

} // namespace tarvex
