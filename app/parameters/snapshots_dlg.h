// "Snapshots": the parameter snapshots kept before each change of a drive,
// newest first, with the differences of the chosen one against the
// connected drive. "Restore..." hands the chosen snapshot back to the frame,
// which opens it in the parameter window like a parameter file, so that it
// reaches the drive only through All Write or Write and all their checks.
#pragma once

#include "drive/connection/drive_connection.h"
#include "drive/snapshots/snapshot_store.h"

#include <QDialog>

#include <optional>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace tarvex {

class CSnapshotsDlg : public QDialog {
    Q_OBJECT
public:
    enum Column { kColTime, kColReason, kColFirmware, kColPort, kColNode, kColCount };
    enum DiffColumn { kDiffNumber, kDiffName, kDiffDrive, kDiffSnapshot, kDiffCount };

    // `driveReachable`: whether the differences can be read now.
    CSnapshotsDlg(DriveConnection &drive, bool driveReachable, QWidget *parent = nullptr);

    // The snapshot "Restore..." chose.
    const std::optional<snapshots::Snapshot> &chosen() const { return chosen_; }

    QTableWidget &table() const { return *table_; }
    QTableWidget &differences() const { return *differences_; }
    QPushButton &differencesButton() const { return *compare_; }
    QPushButton &restoreButton() const { return *restore_; }
    QLabel &summary() const { return *summary_; }

private:
    const snapshots::Snapshot *selected() const;
    void updateButtons();
    void showDifferences();
    void restore();

    DriveConnection &drive_;
    bool driveReachable_;
    std::vector<snapshots::Snapshot> snapshots_; // newest first, as the rows
    std::optional<snapshots::Snapshot> chosen_;
    QTableWidget *table_ = nullptr;
    QTableWidget *differences_ = nullptr;
    QLabel *summary_ = nullptr;
    QPushButton *compare_ = nullptr;
    QPushButton *restore_ = nullptr;
};

} // namespace tarvex
