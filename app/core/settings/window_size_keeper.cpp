#include "window_size_keeper.h"

#include "user_settings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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
        QSize size = UserSettings::windowSize(name_);
        if (!size.isValid())
            return;
        if (const QScreen *screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableGeometry().size());
        stored_ = size;
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
};

} // namespace

void keepWindowSize(QWidget &window, const QString &name)
{
    QString key = name.isEmpty() ? QString::fromLatin1(window.metaObject()->className()) : name;
    key.remove(QStringLiteral("tarvex::"));
    new WindowSizeKeeper(window, key);
}

} // namespace tarvex
