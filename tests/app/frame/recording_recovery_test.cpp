// The one question the start asks about each unfinished recording, and what
// each of its three answers does to the run: through the frame's own start,
// with boxes that stay open as a user's would.
#include "tests/app/support/file_dialog_driver.h"
#include "tests/app/support/frame_fixture.h"
#include "tests/app/support/modal_messages.h"
#include "tests/app/support/ui_pump.h"
#include "app/ui/settings/recording_journal_folder.h"
#include "drive/files/recording_journal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

namespace tarvex::recording_recovery_test {

using namespace std::chrono_literals;

constexpr const char *kQuestion =
    "An unfinished recording was found. Save it to a file, discard it or keep it for the next start?";
const std::string kRows = "# Servo Status\n\nTime,Seconds [s]\n2026-03-01T09:15:02.250Z,0.000\n"
                          "2026-03-01T09:15:02.350Z,0.100\n";

std::string journalFolder() { return QFile::encodeName(recordingJournalFolder()).toStdString(); }

// A recording that the program did not end: its journal is all that is left.
void leaveUnfinishedRun()
{
    std::string reason;
    auto writer = journal::JournalWriter::create(journalFolder(), {"Servo Status", "2026-03-01T09:15:02.250Z", "/x.csv"},
                                                 {}, reason);
    ASSERT_TRUE(writer) << reason;
    writer->append(kRows);
    ASSERT_TRUE(writer->finish());
}

class RecordingRecovery : public test::FrameFixture {
protected:
    test::ModalMessages modal;
};

// The file dialog's own question whether to replace an existing file, answered Yes.
void replaceWhenAsked(QTimer &poll)
{
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible() && box->button(QMessageBox::Yes)) {
                poll.stop();
                QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
            }
    });
    poll.start();
}

TEST_F(RecordingRecovery, EachAnswerToTheOneQuestionDoesWhatItSays)
{
    enum class Target { None, Writable, Unwritable };
    struct Case {
        const char *answer;
        int button;
        Target target;
        bool journalKept;
    };
    const Case cases[] = {
        {"Save...", 0, Target::Writable, false},
        {"Save... into a file that cannot be written", 0, Target::Unwritable, true},
        {"Discard", 1, Target::None, false},
        {"Keep", 2, Target::None, true},
    };
    frameMessages = &modal;
    int round = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        if (c.target == Target::Unwritable && !std::filesystem::exists("/dev/full"))
            continue;
        modal.clear();
        settingsFolder = directory.path() / ("run-" + std::to_string(++round)); // a run of its own
        std::filesystem::create_directories(settingsFolder);
        if (frame)
            restartFrame();
        else
            startFrame();
        test::pumpFor(50ms); // the start's offer comes from its first turn of the event loop
        EXPECT_TRUE(modal.empty()) << "nothing to offer yet";
        leaveUnfinishedRun();

        // A device that is always full stands for a disk without room.
        const std::filesystem::path saved = settingsFolder / "recovered.csv";
        QTimer replace;
        if (c.target == Target::Unwritable) {
            std::filesystem::create_symlink("/dev/full", saved);
            replaceWhenAsked(replace);
        }
        modal.chooseNext(c.button);
        if (c.target != Target::None)
            test::answerNextFileDialog(QString::fromStdString(saved.string()));
        std::vector<std::string> expected{kQuestion};
        if (c.target == Target::Unwritable)
            expected.push_back("Cannot recover the recording");
        restartFrame();
        ASSERT_TRUE(test::pumpUntil([&] {
            return modal.boxesOpen() == 0 && modal.texts().size() >= expected.size() &&
                   (c.target != Target::Writable || std::filesystem::exists(saved));
        }));
        ASSERT_EQ(modal.texts(), expected) << "one question, and what went wrong if anything";
        EXPECT_EQ(modal.messages().front().detail, "Servo Status, started 2026-03-01T09:15:02.250Z, for /x.csv");

        if (c.target == Target::Writable) {
            std::ifstream in(saved, std::ios::binary);
            EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kRows);
        }
        EXPECT_EQ(journal::findUnfinishedRuns(journalFolder()).size(), c.journalKept ? 1u : 0u);

        // The next start asks again only about a run that was kept.
        modal.clear();
        restartFrame();
        if (c.journalKept) {
            EXPECT_TRUE(modal.waitFor(kQuestion, 10s));
            ASSERT_TRUE(test::pumpUntil([&] { return modal.boxesOpen() == 0; }));
        } else {
            test::pumpFor(50ms);
            EXPECT_TRUE(modal.empty());
        }
    }
}

} // namespace tarvex::recording_recovery_test
