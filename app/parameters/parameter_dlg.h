// "Parameter Editing": the parameter window. The groups' forms sit on the
// pages of a tab control; the buttons above them read and write the drive
// (through the parameter service, its second base) and save or load
// parameter files. A progress line names the group being read or written.
//
// The opener hands in how short link calls are to run: in the program on a
// helper thread while this thread turns a local event loop that paints but
// holds back the user's input (the frame's way of waiting), so the window
// and the "Parameter Read" note keep painting during the opening reads.
// The four drive commands run with a progress box instead: window-modal
// over this window, it names the step under way and offers Cancel, while
// each link call runs off this thread.
// A command runs from start to end on the user-interface thread, and
// closing the window while one runs takes effect when it has ended.
#pragma once

#include "drive/parameters/parameter_catalogue.h"
#include "drive/parameters/parameter_commands.h"
#include "drive/parameters/parameter_compare.h"
#include "drive/parameters/parameter_service.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QTimer;
class QPushButton;
class QToolButton;

namespace tarvex {

class DriveWorkBox;
class CParameterFilterBar;
class CParameterFormDlg;
class CParameterTabCtrl;

class CParameterDlg : public QDialog, public CParameter {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 310;
    enum ControlId {
        IDC_PARAMETER_TAB = 1000,
        IDC_OPEN_FILE = 1008,
        IDC_SAVE_FILE = 1009,
        IDC_ALL_WRITE = 1011,
        IDC_WRITE = 1012,
        IDC_ALL_READ = 1013,
        IDC_READ = 1014,
        IDC_EXIT = 1128,
        ID_PARAMETER_LOCK = 1188,
        ID_PARAMETER_UNLOCK = 1189,
    };

    CParameterDlg(DriveConnection &drive, LinkRunner runner, QWidget *parent = nullptr);
    ~CParameterDlg() override;

    // Builds the tabs and forms, fills the grids from the catalogue, builds
    // the model and reads every group (the window stays hidden meanwhile).
    void OnInitDialog();

    // The buttons.
    void OnAllWrite();
    void OnWrite();
    void OnAllRead();
    void OnRead();
    void OnExit();
    void OnOpenFile();
    void OnSaveFile();
    void OnParameterLock();
    void OnParameterUnlock();
    void OnSelchangeTab(int index);
    // "Compare with file...": a parameter file beside the drive's values.
    void OnCompareFile();

    // What the file buttons do once a file has been chosen.
    bool saveTo(const QString &path);
    bool loadFrom(const QString &path);
    // Lists the rows in which the file and the drive differ and writes the
    // ticked ones; false when the file or the drive could not be read.
    bool compareWith(const QString &path);

    // Cyclic monitoring started or stopped: "All Write" is off meanwhile.
    void monitoringSwitched(bool running);

    // Called once when EXIT has destroyed (or is destroying) the window.
    void setExitHandler(std::function<void()> handler) { exitHandler_ = std::move(handler); }
    // Receives the progress line while it changes (the opening note shows it too).
    void setProgressObserver(std::function<void(const QString &)> observer)
    {
        progressObserver_ = std::move(observer);
    }

    // --- what tests and the opener look at ----------------------------------
    CParameterFormDlg *form(int group) const;
    CParameterFormDlg *currentForm() const { return m_pCurrentForm; }
    int currentGroup() const { return m_currentGroup; }
    CParameterTabCtrl &tabControl() const { return *m_tab; }
    QPushButton *button(ControlId id) const;
    QLabel &progressLine() const { return *m_progress; }
    CParameterFilterBar &filterBar() const { return *m_filter; }
    QPushButton &compareButton() const { return *m_compare; }
    bool isOpening() const { return m_opening; }
    bool isCommandRunning() const { return running_; }
    // The progress box of the command under way, or null.
    DriveWorkBox *workBox() const { return workBox_; }
    const parameters::ParameterCatalogue &catalogue() const { return m_catalogue; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createControls();
    void createForms();
    void placeForms();
    void placeControls();
    void applyFilter();
    void setLinkCommandsEnabled(bool enabled);
    void showProgress(Transfer transfer, int group);
    void setProgress(const QString &text);
    // Before a write: the drive's parameters kept as a snapshot, or the
    // user's choice to write without one; false ends the write unsent.
    bool keepSnapshot(const char *reason);
    // Runs a command unless one is running; a close asked for meanwhile follows it.
    template <class Command>
    void runCommand(Command &&command);
    // The same with the progress box over this window; its steps are the
    // groups, or the link exchanges named after `verb`.
    enum class Steps { Groups, Exchanges };
    template <class Command>
    void runWithProgress(const QString &title, int steps, Steps counting, const QString &verb, Command &&command);
    void exchangeStarting();

    // The model held by the window itself.
    parameters::ParameterCatalogue m_catalogue; // the attribute arrays of the groups
    std::uint16_t m_currentGroup = 0;
    bool m_opening = false;

    // The controls.
    std::array<CParameterFormDlg *, parameters::kGroupCount> m_forms{};
    CParameterTabCtrl *m_tab = nullptr;
    QToolButton *m_openFile = nullptr;
    QToolButton *m_saveFile = nullptr;
    QPushButton *m_allWrite = nullptr;
    QPushButton *m_write = nullptr;
    QPushButton *m_allRead = nullptr;
    QPushButton *m_read = nullptr;
    QPushButton *m_exit = nullptr;
    QPushButton *m_lock = nullptr;
    QPushButton *m_unlock = nullptr;
    QLabel *m_progress = nullptr;
    CParameterFilterBar *m_filter = nullptr;
    QPushButton *m_compare = nullptr;
    QTimer *m_filterRefresh = nullptr; // values changed: the filter is applied again once they settle
    CParameterFormDlg *m_pCurrentForm = nullptr;

    std::unique_ptr<parameters::ParameterCommands> commands_;
    std::unique_ptr<parameters::ParameterComparison> comparison_;
    std::function<void()> exitHandler_;
    std::function<void(const QString &)> progressObserver_;
    bool linkUsable_ = true;
    bool monitoring_ = false;
    bool running_ = false;
    DriveWorkBox *workBox_ = nullptr;
    Steps counting_ = Steps::Groups;
    QString workVerb_;
    bool exitPending_ = false;
    bool exited_ = false;
};

} // namespace tarvex
