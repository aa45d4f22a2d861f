// The one question the start asks about each unfinished recording, and what
// each of its three answers does to the run: through the frame's own start,
// with boxes that stay open as a user's would.
#include "tests/app/support/file_dialog_driver.h"
#include "tests/app/support/frame_fixture.h"
#include "tests/app/support/modal_messages.h"
#include "tests/app/support/ui_pump.h"
#include "app/ui/settings/recording_journal_folder.h"
#include "drive/files/recording_journal.h"

#include <QFile>

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

TEST_F(RecordingRecovery, EachAnswerToTheOneQuestionDoesWhatItSays)
{
    struct Case {
        const char *answer;
        int button;
        bool fileWritten;
        bool journalKept;
    };
    const Case cases[] = {
        {"Save...", 0, true, false},
        {"Discard", 1, false, false},
        {"Keep", 2, false, true},
    };
    frameMessages = &modal;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        modal.clear();
        settingsFolder = directory.path() / c.answer; // a run of its own
        std::filesystem::create_directories(settingsFolder);
        if (frame)
            restartFrame();
        else
            startFrame();
        test::pumpFor(50ms); // the start's offer comes from its first turn of the event loop
        EXPECT_TRUE(modal.empty()) << "nothing to offer yet";
        leaveUnfinishedRun();

        const std::string saved = (directory.path() / (std::string(c.answer) + ".csv")).string();
        modal.chooseNext(c.button);
        if (c.fileWritten)
            test::answerNextFileDialog(QString::fromStdString(saved));
        restartFrame();
        ASSERT_TRUE(modal.waitFor(kQuestion, 10s));
        ASSERT_TRUE(test::pumpUntil([&] { return modal.boxesOpen() == 0 && (!c.fileWritten || std::filesystem::exists(saved)); }));
        ASSERT_EQ(modal.texts(), std::vector<std::string>{kQuestion}) << "one question, nothing more";
        EXPECT_EQ(modal.messages().front().detail, "Servo Status, started 2026-03-01T09:15:02.250Z, for /x.csv");

        if (c.fileWritten) {
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
