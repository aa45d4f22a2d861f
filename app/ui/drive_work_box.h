// The box shown while long drive work runs: a caption naming the step
// under way, a progress bar and Cancel. It is window-modal over the window
// that started the work, so the rest of the program's input is held back by
// modality while this box itself keeps taking clicks.
//
// The work's link calls go through run(): each runs on a helper thread
// while this thread turns an event loop that serves every event, so the
// frame keeps painting and Cancel can be clicked. Cancel only raises the
// work's flag; the call under way is always finished.
#pragma once

#include "drive/connection/drive_work.h"

#include <QDialog>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tarvex {

class DriveWorkBox final : public QDialog {
    Q_OBJECT
public:
    DriveWorkBox(QWidget *over, const QString &title);
    ~DriveWorkBox() override;

    DriveWork &work() { return work_; }

    // Shows the box over its window.
    void begin();
    // Runs `call` off this thread and returns when it has returned.
    void run(const std::function<void()> &call);

    QLabel &caption() const { return *caption_; }
    QProgressBar &bar() const { return *bar_; }
    QPushButton &cancelButton() const { return *cancel_; }

protected:
    // Escape and the window's close button mean Cancel; the box itself
    // closes only when the work has ended.
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void refresh();

    DriveWork work_;
    QLabel *caption_ = nullptr;
    QProgressBar *bar_ = nullptr;
    QPushButton *cancel_ = nullptr;
};

} // namespace tarvex
