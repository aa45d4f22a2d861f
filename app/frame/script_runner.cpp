#include "app/frame/script_runner.h"

#include "app/frame/about_dialog.h"
#include "app/frame/comm_set_dialog.h"
#include "drive/files/file_access.h"
#include "app/ui/files/picture_file.h"
#include "app/frame/main_frame.h"
#include "app/monitor/static_panes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

namespace tarvex {

namespace {

// The commands a script can give by name.
constexpr std::pair<const char *, Command> kCommandNames[] = {
    {"new", Command::New},
    {"setting", Command::CommunicationSetting},
    {"connect", Command::Connect},
    {"disconnect", Command::Disconnect},
    {"start", Command::Start},
    {"stop", Command::Stop},
    {"alarm-reset", Command::AlarmReset},
    {"parameters", Command::ParameterEditing},
    {"trigger", Command::TriggerMonitoring},
    {"trace", Command::DataTrace},
    {"manual-jog", Command::ManualJog},
    {"program-jog", Command::ProgramJog},
    {"tuning", Command::GainAutoTuning},
    {"alarm-trace", Command::AlarmTrace},
    {"alarm-history", Command::AlarmHistory},
    {"about", Command::About},
};

std::optional<Command> commandNamed(const QString &name)
{
    for (const auto &[text, command] : kCommandNames)
        if (name == QLatin1String(text))
            return command;
    return std::nullopt;
}

// A button's caption as the user reads it, without its shortcut mark.
QString caption(const QAbstractButton &button)
{
    QString text = button.text();
    text.remove(QLatin1Char('&'));
    return text.trimmed();
}

// The text and number fields of a window in the order they were made; the
// line edits inside lists and number fields belong to those.
std::vector<QWidget *> fieldsOf(QWidget &window)
{
    std::vector<QWidget *> fields;
    for (QWidget *child : window.findChildren<QWidget *>()) {
        if (qobject_cast<QAbstractSpinBox *>(child)) {
            fields.push_back(child);
        } else if (qobject_cast<QLineEdit *>(child)) {
            QWidget *owner = child->parentWidget();
            if (!qobject_cast<QComboBox *>(owner) && !qobject_cast<QAbstractSpinBox *>(owner))
                fields.push_back(child);
        }
    }
    return fields;
}

QComboBox *listOf(QWidget &window, const QString &which)
{
    for (QLabel *label : window.findChildren<QLabel *>())
        if (label->text().trimmed() == which)
            if (auto *list = qobject_cast<QComboBox *>(label->buddy()))
                return list;
    bool isNumber = false;
    const int n = which.toInt(&isNumber);
    const QList<QComboBox *> lists = window.findChildren<QComboBox *>();
    return isNumber && n >= 1 && n <= lists.size() ? lists[n - 1] : nullptr;
}

} // namespace

bool ScriptMessages::present(const Message &message)
{
    std::fprintf(stderr, "message: %s\n", message.text.c_str());
    std::lock_guard lock(mutex_);
    texts_.push_back(message.text);
    return message.kind == Message::Kind::Question && answer_.load();
}

QStringList scriptWords(const QString &line)
{
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (c.isSpace() && !quoted) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words << word;
    return words;
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
    // A script is a handful of short lines: a larger file is not one, and
    // an over-long line is left out whole rather than cut into steps.
    constexpr int kMaxLines = 10000;
    constexpr int kMaxLineLength = 1000;
    const FileReading file = readBoundedFile(QFile::encodeName(scriptFile).toStdString(), kScriptFileLimit);
    if (!file.text) {
        std::fprintf(stderr, "script: cannot read %s: %s\n", qPrintable(scriptFile), file.reason.c_str());
    } else {
        QString text = QString::fromUtf8(*file.text);
        text.remove(QLatin1Char('\r'));
        const QStringList all = text.split(QLatin1Char('\n'));
        for (int count = 1; count <= all.size() && count <= kMaxLines; ++count) {
            const QString &line = all[count - 1];
            if (count == all.size() && line.isEmpty())
                break; // behind the last line end
            if (line.size() > kMaxLineLength)
                std::fprintf(stderr, "script: line %d is too long and is left out\n", count);
            else
                lines_ << line;
        }
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
        const QStringList words = scriptWords(line);
        if (words.isEmpty())
            continue;
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
    if (const FileOutcome saved = saveImageFile(widget.grab().toImage(), path); !saved)
        std::fprintf(stderr, "script: cannot write %s: %s\n", qPrintable(path), saved.reason.c_str());
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
    } else if (verb == QLatin1String("open") && argument == QLatin1String("snapshots")) {
        // A dialog of the File menu with its own event loop, not a command.
        QTimer::singleShot(0, &frame_, [this] { frame_.OnSnapshots(); });
    } else if (verb == QLatin1String("run") || verb == QLatin1String("open")) {
        const std::optional<Command> command = commandNamed(argument);
        if (!command)
            std::fprintf(stderr, "script: unknown command %s\n", qPrintable(argument));
        else if (!frame_.isCommandEnabled(*command))
            std::fprintf(stderr, "script: %s is disabled now\n", qPrintable(argument));
        else if (verb == QLatin1String("run"))
            frame_.OnCommand(*command);
        else
            QTimer::singleShot(0, &frame_, [this, c = *command] { frame_.OnCommand(c); });
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
    } else if (verb == QLatin1String("show-pane") && words.size() > 1) {
        if (auto *pane = frame_.findChild<QDockWidget *>(words[1]))
            pane->show();
    } else if (verb == QLatin1String("grab-setting")) {
        grabInto(setting, argument);
    } else if (verb == QLatin1String("grab-about")) {
        CAboutTarvex &about = frame_.aboutBox();
        about.show();
        QApplication::processEvents();
        grabInto(about, argument);
        about.hide();
    } else if (verb == QLatin1String("answer")) {
        if (auto *script = dynamic_cast<ScriptMessages *>(&frame_.messages()))
            script->setAnswer(argument == QLatin1String("yes"));
    } else if (verb == QLatin1String("drive")) {
        const QString input = qEnvironmentVariable("TARVEX_SCRIPT_DRIVE");
        std::FILE *console = input.isEmpty() ? nullptr : std::fopen(qPrintable(input), "a");
        if (!console) {
            std::fprintf(stderr, "script: no drive console to write to\n");
        } else {
            std::fprintf(console, "%s\n", qPrintable(argument));
            std::fclose(console);
        }
    } else if (verb == QLatin1String("quit")) {
        frame_.close();
        QApplication::quit();
        return false;
    } else if (!runWindowStep(words)) {
        std::fprintf(stderr, "script: unknown step %s\n", qPrintable(verb));
    }
    return true;
}

QWidget *ScriptRunner::shownWindow(const QString &name) const
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible() && (window->windowTitle() == name || window->objectName() == name))
            return window;
    std::fprintf(stderr, "script: no window %s is shown\n", qPrintable(name));
    return nullptr;
}

// The steps on a window other than the frame: each finds the window by its
// title and works it only through what a user could do with it.
bool ScriptRunner::runWindowStep(const QStringList &words)
{
    const QString &verb = words.first();
    static const QStringList verbs{QStringLiteral("grab-window"), QStringLiteral("close-window"),
                                   QStringLiteral("click"),       QStringLiteral("choose"),
                                   QStringLiteral("type"),        QStringLiteral("tab"),
                                   QStringLiteral("press"),       QStringLiteral("release")};
    if (!verbs.contains(verb))
        return false;
    const int needed = verb == QLatin1String("close-window") ? 2
                       : verb == QLatin1String("choose") || verb == QLatin1String("type") ? 4
                                                                                            : 3;
    if (words.size() < needed) {
        std::fprintf(stderr, "script: %s needs %d words\n", qPrintable(verb), needed - 1);
        return true;
    }
    QWidget *window = shownWindow(words[1]);
    if (!window)
        return true;
    if (verb == QLatin1String("grab-window")) {
        grabInto(*window, words[2]);
    } else if (verb == QLatin1String("close-window")) {
        window->close();
    } else if (verb == QLatin1String("click")) {
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
            if (button->isVisible() && caption(*button) == words[2]) {
                if (!button->isEnabled())
                    std::fprintf(stderr, "script: %s is disabled now\n", qPrintable(words[2]));
                else // posted: a click that opens a dialog of its own must not stop the script
                    QTimer::singleShot(0, button, &QAbstractButton::click);
                return true;
            }
        }
        std::fprintf(stderr, "script: no button %s\n", qPrintable(words[2]));
    } else if (verb == QLatin1String("choose")) {
        QComboBox *list = listOf(*window, words[2]);
        int item = list ? list->findText(words[3]) : -1;
        bool isNumber = false;
        if (list && item < 0 && words[3].toInt(&isNumber) >= 1 && isNumber && words[3].toInt() <= list->count())
            item = words[3].toInt() - 1;
        if (item < 0) {
            std::fprintf(stderr, "script: no list %s with %s\n", qPrintable(words[2]), qPrintable(words[3]));
        } else {
            list->setCurrentIndex(item);
            emit list->activated(item);
        }
    } else if (verb == QLatin1String("type")) {
        const std::vector<QWidget *> fields = fieldsOf(*window);
        const auto n = static_cast<std::size_t>(std::max(0, words[2].toInt()));
        QWidget *field = n >= 1 && n <= fields.size() ? fields[n - 1] : nullptr;
        if (auto *number = qobject_cast<QSpinBox *>(field)) {
            number->setValue(words[3].toInt());
        } else if (auto *real = qobject_cast<QDoubleSpinBox *>(field)) {
            real->setValue(words[3].toDouble());
        } else if (auto *edit = qobject_cast<QLineEdit *>(field)) {
            edit->setText(words[3]);
            emit edit->editingFinished();
        } else {
            std::fprintf(stderr, "script: no field %s\n", qPrintable(words[2]));
        }
    } else if (verb == QLatin1String("press") || verb == QLatin1String("release")) {
        // The mouse goes to the window system's window, as a real press
        // does, so that windows which watch their window see it first.
        QAbstractButton *target = nullptr;
        for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
            if (button->isVisible() && caption(*button) == words[2])
                target = button;
        QWindow *surface = window->windowHandle();
        if (!target || !surface) {
            std::fprintf(stderr, "script: no button %s\n", qPrintable(words[2]));
            return true;
        }
        const QPointF at = target->mapTo(window, target->rect().center());
        const bool press = verb == QLatin1String("press");
        QMouseEvent mouse(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, at,
                          window->mapToGlobal(at), Qt::LeftButton, press ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(surface, &mouse);
    } else if (verb == QLatin1String("tab")) {
        for (QTabBar *bar : window->findChildren<QTabBar *>())
            for (int i = 0; i < bar->count(); ++i)
                if (bar->tabText(i) == words[2]) {
                    bar->setCurrentIndex(i);
                    return true;
                }
        std::fprintf(stderr, "script: no tab %s\n", qPrintable(words[2]));
    }
    return true;
}

} // namespace tarvex
