#include "app/ui/drive_work_box.h"

#include "app/ui/ui_wait.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvex {

namespace {
// Wide enough for "Reading group 8 of 8: PositionOperation ..." without the
// box changing size from step to step.
constexpr int kCaptionWidth = 320;
} // namespace

DriveWorkBox::DriveWorkBox(QWidget *over, const QString &title) : QDialog(over)
{
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    caption_ = new QLabel(this);
    caption_->setMinimumWidth(kCaptionWidth);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 0);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, [this] { work_.requestCancel(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);

    work_.setListener([this] { refresh(); });
    refresh();
}

DriveWorkBox::~DriveWorkBox() { work_.setListener({}); }

void DriveWorkBox::begin() { show(); }

void DriveWorkBox::run(const std::function<void()> &call) { runServingUserInput(call); }

void DriveWorkBox::refresh()
{
    if (work_.steps() > 0) {
        bar_->setRange(0, work_.steps());
        bar_->setValue(work_.currentStep());
    }
    if (work_.cancelRequested()) {
        caption_->setText(QStringLiteral("Cancelling: finishing the exchange under way ..."));
        cancel_->setEnabled(false);
    } else {
        caption_->setText(QString::fromStdString(work_.caption()));
    }
}

void DriveWorkBox::reject() { work_.requestCancel(); }

void DriveWorkBox::closeEvent(QCloseEvent *event)
{
    event->ignore();
    work_.requestCancel();
}

} // namespace tarvex
