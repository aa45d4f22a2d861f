// "Link Statistics": a docking pane (View menu) that shows what the link
// has seen since it was connected: exchanges, retries, each failure kind and
// the round-trip times of the last exchanges, refreshed about once a second
// while it shows. "Save Frame Log..." writes the last exchanges' bytes with
// their verdicts to a text file; "Reset" starts the counts afresh.
//
// It reads the link library's own copy of its figures, which never waits
// for an exchange, so the refresh on the user-interface thread never stalls
// behind a slow drive. A library without statistics leaves the pane with a
// note and its buttons greyed.
#pragma once

#include <QDockWidget>

class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

namespace tarvex {

class DriveConnection;
class MessageService;

class CLinkStatisticsPane : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 1000;

    CLinkStatisticsPane(MessageService &messages, QWidget *parent = nullptr);

    // The connection whose link library is read; null shows nothing.
    void setDriveConnection(DriveConnection *drive);

    QTableWidget &table() { return *table_; }
    QPushButton &saveButton() { return *save_; }
    QPushButton &resetButton() { return *reset_; }
    QString note() const;
    // The value shown beside `label` ("No reply", ...), empty when none.
    QString value(const QString &label) const;

    // Reads the figures now (the timer does so while the pane shows).
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void saveFrameLog();

    MessageService &messages_;
    DriveConnection *drive_ = nullptr;
    QTableWidget *table_ = nullptr;
    QLabel *note_ = nullptr;
    QPushButton *save_ = nullptr;
    QPushButton *reset_ = nullptr;
    QTimer *timer_ = nullptr;
};

} // namespace tarvex
