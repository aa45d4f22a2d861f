#include "script_runner.h"

#include "about_dialog.h"
#include "comm_set_dialog.h"
#include "main_frame.h"
#include "static_panes.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace tarvex {

bool ScriptMessages::present(const Message &message)
{
    std::fprintf(stderr, "message: %s\n", message.text.c_str());
    std::lock_guard lock(mutex_);
    texts_.push_back(message.text);
    return false;
}

std::vector<std::string> ScriptMessages::texts() const
{
    std::lock_guard lock(mutex_);
    return texts_;
}

QString ScriptRunner::scriptFromEnvironment()
{
    return qEnvironmentVariable("TARVEX_SCRIPT");
}

ScriptRunner::ScriptRunner(CMainFrame &frame, const QString &scriptFile) : frame_(frame)
{
    QFile file(scriptFile);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream in(&file);
        // A script is a handful of lines; anything longer is not one.
        for (int count = 0; !in.atEnd() && count < 10000; ++count)
            lines_ << in.readLine(1000);
    } else {
        std::fprintf(stderr, "script: cannot read %s\n", qPrintable(scriptFile));
    }
    outDir_ = qEnvironmentVariable("TARVEX_SCRIPT_OUT", QDir::currentPath());
    QDir().mkpath(outDir_);
}

void ScriptRunner::start() { QTimer::singleShot(300, this, &ScriptRunner::step); }

void ScriptRunner::step()
{
    while (next_ < lines_.size()) {
        const QString line = lines_[next_++].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        std::fprintf(stderr, "script: %s\n", qPrintable(line));
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.first() == QLatin1String("wait")) {
            const int ms = words.size() > 1 ? std::clamp(words[1].toInt(), 0, 600000) : 0;
            QTimer::singleShot(ms, this, &ScriptRunner::step);
            return;
        }
        if (!run(words))
            return;
        // Let the window catch up between steps.
        QTimer::singleShot(50, this, &ScriptRunner::step);
        return;
    }
}

void ScriptRunner::grabInto(QWidget &widget, const QString &file)
{
    const QString path = QDir(outDir_).filePath(file);
    if (!widget.grab().save(path))
        std::fprintf(stderr, "script: cannot write %s\n", qPrintable(path));
}

bool ScriptRunner::run(const QStringList &words)
{
    const QString &verb = words.first();
    const QString argument = words.size() > 1 ? words.mid(1).join(QLatin1Char(' ')) : QString();
    CCommSetDlg &setting = frame_.commSetDialog();
    if (verb == QLatin1String("port")) {
        setting.portField().setEditText(argument);
    } else if (verb == QLatin1String("node")) {
        setting.nodeField().setText(argument);
    } else if (verb == QLatin1String("ok")) {
        setting.OnOK();
    } else if (verb == QLatin1String("cancel")) {
        setting.OnCancel();
    } else if (verb == QLatin1String("run")) {
        static const std::pair<const char *, Command> commands[] = {
            {"new", Command::New},
            {"setting", Command::CommunicationSetting},
            {"connect", Command::Connect},
            {"disconnect", Command::Disconnect},
            {"start", Command::Start},
            {"stop", Command::Stop},
            {"alarm-reset", Command::AlarmReset},
        };
        for (const auto &[name, command] : commands)
            if (argument == QLatin1String(name))
                frame_.OnCommand(command);
    } else if (verb == QLatin1String("tick")) {
        CGXGridWnd &grid = frame_.statusPane().dialog().grid();
        for (int i = 1; i < words.size(); ++i) {
            const QString &what = words[i];
            if (what == QLatin1String("all") || what == QLatin1String("none")) {
                grid.SetValueRange(CGXRange(1, 1, grid.GetRowCount(), 1),
                                   what == QLatin1String("all") ? QStringLiteral("1")
                                                                : QStringLiteral("0"));
            } else {
                const int row = what.toInt();
                if (row >= 1 && row <= grid.GetRowCount())
                    grid.SetValueRange(CGXRange(row, 1), QStringLiteral("1"));
            }
        }
    } else if (verb == QLatin1String("header")) {
        frame_.statusPane().dialog().grid().clickHeader(0, 1);
    } else if (verb == QLatin1String("look")) {
        frame_.chooseLook(argument.toInt());
    } else if (verb == QLatin1String("grab")) {
        grabInto(frame_, argument);
    } else if (verb == QLatin1String("grab-pane") && words.size() > 2) {
        if (auto *pane = frame_.findChild<QWidget *>(words[1]))
            grabInto(*pane, words[2]);
    } else if (verb == QLatin1String("grab-setting")) {
        grabInto(setting, argument);
    } else if (verb == QLatin1String("grab-about")) {
        CAboutTarvex &about = frame_.aboutBox();
        about.show();
        QApplication::processEvents();
        grabInto(about, argument);
        about.hide();
    } else if (verb == QLatin1String("quit")) {
        frame_.close();
        QApplication::quit();
        return false;
    } else {
        std::fprintf(stderr, "script: unknown step %s\n", qPrintable(verb));
    }
    return true;
}

} // namespace tarvex
