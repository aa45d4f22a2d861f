#include "app/ui/grid/cgx_bitmaps.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace tarvex {

namespace {

struct Registry {
    QMutex mutex;
    QHash<QString, QPixmap> images;
};

Registry &registry()
{
    static Registry instance;
    return instance;
}

} // namespace

void CGXBitmaps::add(const QString &name, const QPixmap &image)
{
    QMutexLocker lock(&registry().mutex);
    registry().images.insert(name.toUpper(), image);
}

std::optional<QPixmap> CGXBitmaps::find(const QString &name)
{
    QMutexLocker lock(&registry().mutex);
    const auto it = registry().images.constFind(name.toUpper());
    if (it == registry().images.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<QString> CGXBitmaps::nameInValue(const QString &value)
{
    const QString text = value.trimmed();
    if (text.size() < 7 || text.size() > 64 || !text.startsWith(QLatin1String("#bmp("), Qt::CaseInsensitive) ||
        !text.endsWith(QLatin1Char(')')))
        return std::nullopt;
    QString name = text.mid(5, text.size() - 6).trimmed();
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

} // namespace tarvex
