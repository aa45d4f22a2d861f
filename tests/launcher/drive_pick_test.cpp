// The launcher starts the checked variants' programs in list order, or says
// what to do when nothing is checked.
#include "launcher/drive_pick_window.h"

#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

struct Recorder {
    QStringList started;
    QStringList messages;
    QStringList missing; // programs that cannot be started
};

std::unique_ptr<CDrivePickDlg> makeWindow(Recorder &r)
{
    return std::make_unique<CDrivePickDlg>([&r](const QString &program) {
                                               if (r.missing.contains(program))
                                                   return false;
                                               r.started << program;
                                               return true;
                                           },
                                           [&r](QWidget *, const QString &text) { r.messages << text; });
}

void check(CDrivePickDlg &w, int row) { w.driveList()->topLevelItem(row)->setCheckState(0, Qt::Checked); }

} // namespace

TEST(DrivePick, ListsBothVariantsUnderItsCaption)
{
    Recorder r;
    auto w = makeWindow(r);
    EXPECT_EQ(w->windowTitle(), "Servo Drive Select_u2.7");
    ASSERT_EQ(w->driveList()->topLevelItemCount(), 2);
    EXPECT_EQ(w->driveList()->topLevelItem(0)->text(0), "M9B Drive");
    EXPECT_EQ(w->driveList()->topLevelItem(1)->text(0), "M9A Drive");
    EXPECT_EQ(w->driveList()->headerItem()->text(0), "Servo Drive");
}

TEST(DrivePick, StartsTheCheckedProgramsInOrderAndCloses)
{
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    check(*w, 1);
    check(*w, 0);
    w->start();
    EXPECT_EQ(r.started, (QStringList{"Tarvex_M9B", "Tarvex_M9A"}));
    EXPECT_TRUE(r.messages.isEmpty());
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_FALSE(w->isVisible());
}

TEST(DrivePick, AMissingProgramIsReportedAndTheWindowStays)
{
    Recorder r;
    r.missing << "Tarvex_M9B";
    auto w = makeWindow(r);
    w->show();
    check(*w, 0);
    check(*w, 1);
    w->start();
    EXPECT_EQ(r.started, QStringList{"Tarvex_M9A"});
    ASSERT_EQ(r.messages.size(), 1);
    EXPECT_TRUE(r.messages.front().startsWith("Tarvex_M9B could not be started")) << r.messages.front().toStdString();
    EXPECT_TRUE(w->isVisible());
}

TEST(DrivePick, NothingCheckedAsksForADriveAndStaysOpen)
{
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    w->start();
    EXPECT_TRUE(r.started.isEmpty());
    EXPECT_EQ(r.messages, QStringList{"Select servo drive type!"});
    EXPECT_TRUE(w->isVisible());
}

TEST(DrivePick, AnEmptyListAsksForADrive)
{
    Recorder r;
    auto w = makeWindow(r);
    w->driveList()->clear();
    w->start();
    EXPECT_EQ(r.messages, QStringList{"Select servo drive type!"});
}
