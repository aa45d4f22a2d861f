#include "app/frame/upgrade_snapshot.h"

#include "app/ui/settings/user_settings.h"
#include "drive/connection/link_settings.h"

namespace tarvex {

namespace {

// The settings file is the user's to edit: what it holds is taken only
// within what this program writes there.
constexpr qsizetype kNameLimit = 200;
constexpr qsizetype kPortLimit = 1024;
constexpr std::size_t kDetailLines = 5;

} // namespace

void rememberUpgradeSnapshot(const snapshots::Snapshot &snapshot)
{
    const auto settings = UserSettings::open();
    settings->setValue(settings_keys::kUpgradeSnapshotName, QString::fromStdString(snapshot.name));
    settings->setValue(settings_keys::kUpgradeSnapshotPort, QString::fromStdString(snapshot.header.port));
    settings->setValue(settings_keys::kUpgradeSnapshotNode, snapshot.header.node);
}

std::optional<UpgradeSnapshot> rememberedUpgradeSnapshot()
{
    const auto settings = UserSettings::open();
    const QString name = settings->value(settings_keys::kUpgradeSnapshotName).toString();
    const QString port = settings->value(settings_keys::kUpgradeSnapshotPort).toString();
    bool numeric = false;
    const int node = settings->value(settings_keys::kUpgradeSnapshotNode).toInt(&numeric);
    if (name.isEmpty() || name.size() > kNameLimit || port.isEmpty() || port.size() > kPortLimit || !numeric ||
        node < kNodeMin || node > kNodeMax) {
        if (settings->contains(settings_keys::kUpgradeSnapshotName) ||
            settings->contains(settings_keys::kUpgradeSnapshotPort) ||
            settings->contains(settings_keys::kUpgradeSnapshotNode))
            settings->remove(settings_keys::kUpgradeSnapshotGroup);
        return std::nullopt;
    }
    return UpgradeSnapshot{name.toStdString(), port.toStdString(), node};
}

void forgetUpgradeSnapshot() { UserSettings::remove(settings_keys::kUpgradeSnapshotGroup); }

std::optional<snapshots::Snapshot> findUpgradeSnapshot(const UpgradeSnapshot &remembered)
{
    // By its exact name among those listed: the store's own look-up would
    // take "latest" for the newest, which is not the one kept before the download.
    const snapshots::SnapshotStore store(snapshots::defaultSnapshotFolder());
    for (const snapshots::Snapshot &snapshot : store.list())
        if (snapshot.name == remembered.name)
            return snapshot;
    return std::nullopt;
}

std::string upgradeChangesText(std::size_t changed)
{
    return "The download changed " + std::to_string(changed) + (changed == 1 ? " parameter" : " parameters") +
           " against the snapshot kept before it.";
}

std::string upgradeChangesQuestion(std::size_t changed)
{
    return upgradeChangesText(changed) + " Open the snapshot to restore them?";
}

std::string upgradeChangesDetail(const std::vector<snapshots::SnapshotDifference> &differences,
                                 const std::string &snapshotName)
{
    std::string detail;
    for (std::size_t i = 0; i < differences.size() && i < kDetailLines; ++i) {
        const snapshots::SnapshotDifference &d = differences[i];
        detail += d.number + " " + d.name + ": drive " + d.driveValue + ", snapshot " + d.snapshotValue + "\n";
    }
    if (differences.size() > kDetailLines)
        detail += "and " + std::to_string(differences.size() - kDetailLines) + " more\n";
    detail += "Snapshot " + snapshotName + ". The snapshot's values reach the drive only with All Write.";
    return detail;
}

} // namespace tarvex
