#include "app/ui/settings/window_size_keeper.h"

#include "app/ui/settings/user_settings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace tarvex {

namespace {

class WindowSizeKeeper : public QObject {
public:
    WindowSizeKeeper(QWidget &window, QString name) : QObject(&window), window_(window), name_(std::move(name))
    {
        // Before the first showing, so that the showing does not size the
        // window to its contents instead.
        restore();
        window.installEventFilter(this);
    }

    // The widget is half destroyed by now: only the size it last had is used.
    ~WindowSizeKeeper() override { store(); }
    WindowSizeKeeper(const WindowSizeKeeper &) = delete;
    WindowSizeKeeper &operator=(const WindowSizeKeeper &) = delete;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &window_)
            return false;
        switch (event->type()) {
        case QEvent::Resize:
            if (window_.isVisible() && window_.size() != stored_)
                pending_ = window_.size();
            break;
        case QEvent::Show:
            // The window's own set-up may have sized it after it was
            // built; the remembered size wins, and either is bounded by
            // the screen it opens on.
            if (!shown_) {
                shown_ = true;
                restore();
                if (!stored_.isValid())
                    boundToScreen();
            }
            break;
        case QEvent::Hide:
            store();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void restore()
    {
        const QSize remembered = UserSettings::windowSize(name_);
        if (!remembered.isValid())
            return;
        const QSize size = fitToAvailableScreen(window_, remembered);
        stored_ = size;
        if (size != window_.size())
            window_.resize(size);
    }

    void boundToScreen()
    {
        const QSize size = fitToAvailableScreen(window_, window_.size());
        if (size != window_.size())
            window_.resize(size);
    }

    void store()
    {
        if (!pending_.isValid())
            return;
        UserSettings::setWindowSize(name_, pending_);
        stored_ = pending_;
        pending_ = QSize();
    }

    QWidget &window_;
    QString name_;
    QSize stored_;
    QSize pending_;
    bool shown_ = false;
};

} // namespace

QSize fitToAvailableScreen(const QWidget &window, QSize size)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return size;
    // A title bar and thin borders, as most window managers draw them.
    QMargins frame(8, 32, 8, 8);
    if (const QWindow *handle = window.windowHandle(); handle && !handle->frameMargins().isNull())
        frame = handle->frameMargins();
    const QSize room = screen->availableGeometry().size().shrunkBy(frame);
    return size.boundedTo(room).expandedTo(window.minimumSize().boundedTo(room));
}

void keepWindowSize(QWidget &window, const QString &name)
{
    QString key = name.isEmpty() ? QString::fromLatin1(window.metaObject()->className()) : name;
    key.remove(QStringLiteral("tarvex::"));
    new WindowSizeKeeper(window, key);
}

} // namespace tarvex
