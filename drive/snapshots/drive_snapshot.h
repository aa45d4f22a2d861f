// Taking a snapshot of the connected drive: every parameter group read
// afresh (the grids and their unsent edits stay as they are) and kept in
// the snapshot store. One call for every place that is about to change the
// drive: the parameter window's writes, m9ctl's, a tuning run, a firmware
// download.
#pragma once

#include "drive/connection/drive_connection.h"
#include "drive/parameters/model/parameter_file.h"
#include "drive/parameters/parameter_service.h"
#include "drive/snapshots/snapshot_store.h"

#include <optional>
#include <string>
#include <vector>

namespace tarvex::snapshots {

inline constexpr const char *kSnapshotFailed = "No snapshot of the parameters could be kept. Change the drive anyway?";
inline constexpr const char *kSnapshotCaption = "Snapshot";
inline constexpr const char *kCannotSaveSnapshot = "Cannot Save Snapshot";

struct DriveSettings {
    std::string versionText;                      // the firmware text of the file's header
    std::vector<parameters::ParameterLine> lines; // every parameter in file order, as All Read shows it
    std::vector<std::string> names;               // Param_Name of each line
    std::size_t statusLines = 0;                  // the first lines: live readings, not settings
};

// Reads every group the catalogue gives in one block each. Nothing (the
// failure shown through the drive's message service) when the catalogue
// or the drive cannot give them all. `runner` runs each link call (the
// window's, so that it keeps painting); without one they run here.
std::optional<DriveSettings> readDriveSettings(DriveConnection &drive, const CParameter::LinkRunner &runner = {});

// Reads the drive and keeps the snapshot in `store` (the user's data folder
// when none is given), `reason` saying what is about to change the drive.
// Nothing, with the failure shown, when it could not be read or saved.
std::optional<Snapshot> takeSnapshot(DriveConnection &drive, const std::string &reason,
                                     const CParameter::LinkRunner &runner = {}, SnapshotStore *store = nullptr);

// Whether the drive's parameters can be kept: the catalogue is open and
// lists some. Without one there is nothing to snapshot, nor to write.
bool hasParameterList(DriveConnection &drive);

struct BeforeChange {
    bool go = false;                  // kept, or the user chose to change the drive without one
    std::optional<Snapshot> snapshot; // the one kept
};

// takeSnapshot before a change of the drive, asking kSnapshotFailed when
// none could be kept.
BeforeChange keepSnapshotBeforeChange(DriveConnection &drive, const std::string &reason,
                                      const CParameter::LinkRunner &runner = {}, SnapshotStore *store = nullptr);
// The same for callers that need only the decision: true when the snapshot
// was kept, or when it failed and the user chose to change the drive anyway.
bool snapshotBeforeChange(DriveConnection &drive, const std::string &reason,
                          const CParameter::LinkRunner &runner = {}, SnapshotStore *store = nullptr);

struct SnapshotDifference {
    std::string number;   // "0x2001"
    std::string subIndex; // "0"
    std::string name;
    std::string driveValue;
    std::string snapshotValue;
};

// The settings whose value on the drive differs from the snapshot's, in file
// order. Nothing, with the reason shown, when the drive cannot be read or the
// snapshot's file cannot be read or was kept for another parameter list.
std::optional<std::vector<SnapshotDifference>> compareWithDrive(DriveConnection &drive, const Snapshot &snapshot,
                                                                const CParameter::LinkRunner &runner = {});

} // namespace tarvex::snapshots
