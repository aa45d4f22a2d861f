// A scripted session for screenshots and demonstrations, active only when
// the environment names a script (TARVEX_SCRIPT=<file>; pictures go to
// TARVEX_SCRIPT_OUT, default the working directory). One step per line:
//
//   port <text>        node <n>          ok            cancel
//   run <command>      (new, setting, connect, disconnect, start, stop, alarm-reset)
//   tick all|none|<row>...                header         wait <ms>
//   look <id>          grab <file.png>   grab-pane <objectName> <file.png>
//   grab-setting <file.png>              grab-about <file.png>
//   quit
//
// Messages do not stop the script: they are printed to standard error.
#pragma once

#include "message_service.h"

#include <QObject>
#include <QStringList>

#include <mutex>
#include <vector>

namespace tarvex {

class CMainFrame;

class ScriptMessages final : public MessageService {
public:
    bool present(const Message &message) override;
    std::vector<std::string> texts() const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

class ScriptRunner : public QObject {
    Q_OBJECT
public:
    static QString scriptFromEnvironment();

    ScriptRunner(CMainFrame &frame, const QString &scriptFile);
    void start();

private:
    void step();
    bool run(const QStringList &words); // false: the script waits before the next step
    void grabInto(QWidget &widget, const QString &file);

    CMainFrame &frame_;
    QStringList lines_;
    int next_ = 0;
    QString outDir_;
};

} // namespace tarvex
