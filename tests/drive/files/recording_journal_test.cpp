// The journal of a long recording as a crash leaves it: what the next start
// finds, in which order, and what it recovers from pieces that were cut
// short, lost or never were a journal.
#include "drive/files/recording_journal.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace tarvex::journal {
namespace {

namespace fs = std::filesystem;

struct Folder {
    Folder()
    {
        std::string pattern = (fs::temp_directory_path() / "journal-test-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~Folder() { fs::remove_all(path); }
    fs::path path;
};

std::string fileText(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lines of a few dozen bytes: 300 of them fill several 1 KB pieces.
std::string rows(int from, int to)
{
    std::string text;
    for (int n = from; n < to; ++n)
        text += "2026-03-01T09:15:02.250Z," + std::to_string(n) + ",1500,-3\n";
    return text;
}

struct Damage {
    const char *what;
    std::function<void(const std::vector<std::string> &pieces, const fs::path &folder)> apply;
    std::function<std::string(const std::string &all)> expected; // what recovery gives
};

TEST(RecordingJournal, TheNextStartRecoversEveryWholeLineInOrder)
{
    const std::string all = rows(0, 300);
    const std::vector<Damage> cases = {
        {"nothing lost", [](auto &, auto &) {}, [](const std::string &text) { return text; }},
        {"the last line torn by the crash",
         [](const std::vector<std::string> &pieces, const fs::path &) {
             std::ofstream(pieces.back(), std::ios::app | std::ios::binary) << "2026-03-01T09:15:0";
         },
         [](const std::string &text) { return text; }},
        {"a piece lost in the middle: the run ends before it",
         [](const std::vector<std::string> &pieces, const fs::path &) { fs::remove(pieces[2]); },
         [](const std::string &) { return std::string(); }},
        {"files that are no journal beside it",
         [](const std::vector<std::string> &, const fs::path &folder) {
             std::ofstream(folder / "notes.journal") << "TARVEX RECORDING JOURNAL 2\nrun x\npiece 0\ndata\nrow\n";
             std::ofstream(folder / "other.journal") << "hello\n";
             fs::create_directory(folder / "run-x.0000.journal");
         },
         [](const std::string &text) { return text; }},
    };
    for (const Damage &damage : cases) {
        SCOPED_TRACE(damage.what);
        Folder folder;
        std::string reason;
        auto writer = JournalWriter::create(folder.path.string(), {"Servo Status", "2026-03-01T09:15:02.250Z", "/x.csv"},
                                            {}, reason, 1024);
        ASSERT_TRUE(writer) << reason;
        // Batches of all sizes, one larger than a piece.
        writer->append(rows(0, 10));
        writer->append(rows(10, 100));
        writer->append(rows(100, 300));
        ASSERT_TRUE(writer->finish());
        const std::vector<std::string> pieces = writer->pieces();
        ASSERT_GE(pieces.size(), 4u);
        for (const std::string &piece : pieces)
            EXPECT_LE(fs::file_size(piece), 1024u) << piece;
        writer.reset(); // as a crash leaves it: nothing removed

        damage.apply(pieces, folder.path);
        const std::vector<UnfinishedRun> found = findUnfinishedRuns(folder.path.string());
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].info.kind, "Servo Status");
        EXPECT_EQ(found[0].info.started, "2026-03-01T09:15:02.250Z");
        EXPECT_EQ(found[0].info.target, "/x.csv");

        const fs::path out = folder.path / "recovered.csv";
        ASSERT_TRUE(saveRun(found[0].pieces, out.string()));
        std::string expected = damage.expected(all);
        if (expected.empty()) {
            // Only the first two pieces' lines: a prefix of whole lines.
            const std::string text = fileText(out);
            EXPECT_EQ(all.substr(0, text.size()), text);
            EXPECT_FALSE(text.empty());
            EXPECT_EQ(text.back(), '\n');
            EXPECT_LT(text.size(), all.size());
        } else {
            EXPECT_EQ(fileText(out), expected);
        }
        discardRun(found[0].pieces);
        EXPECT_TRUE(findUnfinishedRuns(folder.path.string()).empty());
    }
}

TEST(RecordingJournal, ARunStillBeingWrittenIsNotOfferedAndADiscardedOneLeavesNothing)
{
    Folder folder;
    std::string reason;
    auto writer = JournalWriter::create(folder.path.string(), {"Data Trace", "2026-03-01T09:15:02.250Z", {}}, {},
                                        reason);
    ASSERT_TRUE(writer) << reason;
    writer->append(rows(0, 5));
    EXPECT_TRUE(findUnfinishedRuns(folder.path.string()).empty()) << "the run is live";
    writer->discard();
    EXPECT_TRUE(fs::is_empty(folder.path));
    EXPECT_TRUE(findUnfinishedRuns((folder.path / "missing").string()).empty());
}

} // namespace
} // namespace tarvex::journal
