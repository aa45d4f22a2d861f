// What OS Upgrade leaves for the connection after the download: the
// snapshot kept before the upgrader took the port, remembered in the user
// settings (the upgrader runs on its own, and this program may be closed
// meanwhile), and the question that offers it back when the download has
// changed the drive's parameters.
#pragma once

#include "drive/snapshots/drive_snapshot.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {

inline constexpr const char *kUpgradeCaption = "OS Upgrade";

struct UpgradeSnapshot {
    std::string name; // the snapshot's name in the user's snapshot folder
    std::string port; // where it was kept, as LinkPlace names the port
    int node = 0;
};

void rememberUpgradeSnapshot(const snapshots::Snapshot &snapshot);
// The snapshot remembered, when the settings hold a whole and sensible one;
// a part or a senseless one is forgotten.
std::optional<UpgradeSnapshot> rememberedUpgradeSnapshot();
void forgetUpgradeSnapshot();

// The remembered snapshot among the user's snapshots; none when it has
// gone (removed by hand, or pruned as the oldest).
std::optional<snapshots::Snapshot> findUpgradeSnapshot(const UpgradeSnapshot &remembered);

// "The download changed N parameters against the snapshot kept before it."
std::string upgradeChangesText(std::size_t changed);
// The same, asking whether to open the snapshot to restore them.
std::string upgradeChangesQuestion(std::size_t changed);
// The first few differences, one a line, and the snapshot's name.
std::string upgradeChangesDetail(const std::vector<snapshots::SnapshotDifference> &differences,
                                 const std::string &snapshotName);

} // namespace tarvex
