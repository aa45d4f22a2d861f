#include "app/graphs/capture_set_up_memory.h"

#include "app/ui/settings/user_settings.h"

#include <QStringList>

namespace tarvex::graphs {

namespace {

QString keyOf(GraphKind kind, const char *field)
{
    const char *window = kind == GraphKind::Trace ? "Trace" : kind == GraphKind::Trigger ? "Trigger" : "AlarmGraph";
    return settings_keys::kCapturePrefix + QLatin1String(window) + QLatin1String(field);
}

// Exactly `count` whole numbers, or nothing.
std::optional<std::vector<int>> integers(const QVariant &stored, std::size_t count)
{
    const QStringList entries = stored.toStringList();
    if (static_cast<std::size_t>(entries.size()) != count)
        return std::nullopt;
    std::vector<int> values;
    for (const QString &text : entries) {
        bool valid = false;
        const int value = text.toInt(&valid);
        if (!valid)
            return std::nullopt;
        values.push_back(value);
    }
    return values;
}

template <std::size_t N>
QStringList texts(const std::array<int, N> &values)
{
    QStringList list;
    for (const int value : values)
        list.append(QString::number(value));
    return list;
}

} // namespace

std::optional<CaptureSetUp> rememberedSetUp(GraphKind kind)
{
    const auto channels = integers(UserSettings::value(keyOf(kind, "Channels")), 4);
    const auto limits = integers(UserSettings::value(keyOf(kind, "Limits")), 8);
    bool periodValid = false;
    const int period = UserSettings::value(keyOf(kind, "Period")).toInt(&periodValid);
    if (!channels || !limits || !periodValid)
        return std::nullopt;
    CaptureSetUp setUp;
    for (std::size_t c = 0; c < 4; ++c) {
        setUp.channels[c] = (*channels)[c];
        setUp.limits[c] = {(*limits)[2 * c], (*limits)[2 * c + 1]};
    }
    setUp.limits = boundedLimits(setUp.limits);
    setUp.period = period;
    return setUp;
}

void rememberSetUp(GraphKind kind, const CaptureSetUp &setUp)
{
    std::array<int, 8> limits{};
    for (std::size_t c = 0; c < 4; ++c) {
        limits[2 * c] = setUp.limits[c].max;
        limits[2 * c + 1] = setUp.limits[c].min;
    }
    UserSettings::setValue(keyOf(kind, "Channels"), texts(setUp.channels));
    UserSettings::setValue(keyOf(kind, "Period"), setUp.period);
    UserSettings::setValue(keyOf(kind, "Limits"), texts(limits));
}

} // namespace tarvex::graphs
