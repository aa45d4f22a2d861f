// A scripted session for screenshots and demonstrations, active only when
// the environment names a script (TARVEX_SCRIPT=<file>; pictures go to
// TARVEX_SCRIPT_OUT, default the working directory). One step per line;
// words with blanks are written in double quotes:
//
//   port <text>        node <n>          ok            cancel
//   run <command>      the command at once (its handler returns first)
//   open <command>     the command posted, so that a window that runs its
//                      own event loop (alarm history, tuning) does not stop
//                      the script: the next steps run inside that loop
//                      commands: new setting connect disconnect start stop
//                      alarm-reset parameters trigger trace manual-jog
//                      program-jog tuning alarm-trace alarm-history about,
//                      and (open only) snapshots
//   show-pane <objectName>               a pane of the View menu shown
//   tick all|none|<row>...                header         wait <ms>
//   look <id>          grab <file.png>   grab-pane <objectName> <file.png>
//   grab-setting <file.png>              grab-about <file.png>
//   grab-window <title|objectName> <file.png>   (a shown top-level window)
//   close-window <title|objectName>
//   click <window> <button text>         (posted, like a mouse click)
//   choose <window> <label text|n> <item text|n>   a list: the one a label
//                      names, or the n-th list of the window (from 1)
//   type <window> <n> <text>             the n-th text or number field
//   tab <window> <tab text>
//   press|release <window> <button text>   the mouse button alone, for
//                      buttons that act while held
//   answer yes|no      how the following questions are answered (default no)
//   drive <text>       a line for the virtual drive's console, written to
//                      the file TARVEX_SCRIPT_DRIVE names (its input pipe)
//   quit
//
// Messages do not stop the script: they are printed to standard error.
#pragma once

#include "drive/connection/message_service.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <mutex>
#include <vector>

class QWidget;

namespace tarvex {

class CMainFrame;

class ScriptMessages final : public MessageService {
public:
    bool present(const Message &message) override;
    std::vector<std::string> texts() const;
    // The answer to the questions from now on.
    void setAnswer(bool yes) { answer_ = yes; }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
    std::atomic<bool> answer_{false};
};

// Splits a script line into words; a word in double quotes may hold blanks.
QStringList scriptWords(const QString &line);

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    static QString scriptFromEnvironment();

    ScriptRunner(CMainFrame &frame, const QString &scriptFile);
    void start();

private:
    void step();
    bool run(const QStringList &words); // false: the script waits before the next step
    bool runWindowStep(const QStringList &words);
    void grabInto(QWidget &widget, const QString &file);
    QWidget *shownWindow(const QString &name) const;

    CMainFrame &frame_;
    QStringList lines_;
    int next_ = 0;
    QString outDir_;
};

} // namespace tarvex
