// DrivePick: asks which drive variant is attached and starts the main
// program built for it from the current directory.
#pragma once

#include <QDialog>

#include <functional>

class QTreeWidget;

class CDrivePickDlg : public QDialog {
    Q_OBJECT
public:
    // Starts a program by name relative to the current directory.
    // Starts the program; false when it is missing or cannot be started.
    using ProgramStarter = std::function<bool(const QString &program)>;
    using MessagePresenter = std::function<void(QWidget *parent, const QString &text)>;

    CDrivePickDlg(ProgramStarter starter, MessagePresenter presenter, QWidget *parent = nullptr);

    QTreeWidget *driveList() const { return list_; }
    void start();

    // The rows of the list and the programs they start, in order.
    static constexpr const char *kRows[2][2] = {{"M9B Drive", "Tarvex_M9B"}, {"M9A Drive", "Tarvex_M9A"}};

private:
    void showAbout();

    ProgramStarter starter_;
    MessagePresenter presenter_;
    QTreeWidget *list_ = nullptr;
};
