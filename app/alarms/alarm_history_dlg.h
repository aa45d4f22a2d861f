// "Alarm History": the drive's last twenty alarms as number and name, most
// recent in the first row, with "Update" to read them and "Clear" to clear
// the drive's record. A modal dialog; nothing is read until "Update".
#pragma once

#include "drive/alarms/alarm_history.h"
#include "app/ui/grid/grid_windows.h"

#include <QDialog>

#include <functional>

class QPushButton;

namespace tarvex {

class DriveWorkBox;

inline constexpr const char *kClearHistoryQuestion =
    "Erase the drive's alarm history? The record of past alarms cannot be brought back.";

class CAlarmHistoryDlg : public QDialog, public CAlarmHistory {
    Q_OBJECT
public:
    static constexpr int kRows = alarms::kHistoryEntries;

    explicit CAlarmHistoryDlg(DriveConnection *drive, QWidget *parent = nullptr);

    // The two buttons' commands.
    void OnUpdate();
    void OnClear();

    CMyGridWnd &grid() { return m_grid; }
    QPushButton &updateButton() { return *m_updateButton; }
    QPushButton &clearButton() { return *m_clearButton; }
    // The progress box while a command runs, or null.
    DriveWorkBox *workBox() const { return m_workBox; }

private:
    void setUpGrid();
    void showAlarm(int row, std::uint16_t code);
    void blankClearedRow(int row);
    // Runs `command` with the progress box over this dialog; its link
    // exchanges (`exchanges` of them) are the box's steps.
    void runWithProgress(const QString &title, int exchanges, const std::function<void()> &command);

    CMyGridWnd m_grid;
    QPushButton *m_updateButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    DriveWorkBox *m_workBox = nullptr;
};

} // namespace tarvex
