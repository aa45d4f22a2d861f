// A long recording goes to disk as it is taken, so that a crash, a killed
// program or a lost power supply costs at most its last second. The run is
// written into journal files in a folder of the program's own; each file
// ("piece") is bounded in size, and the run goes on in the next one. A run
// that ends normally is turned into the user's file and its journal is
// removed: a journal found at the next start is an unfinished run, offered
// for recovery.
//
// Every piece is line-based text: a header, then the recording's own lines.
//
//   TARVEX RECORDING JOURNAL 1
//   run run-20260301T091502Z-4711-0
//   piece 0
//   kind Servo Status
//   started 2026-03-01T09:15:02.250Z
//   target /home/user/status.csv
//   data
//   ...the recording's lines...
//
// The pieces are appended to and never rewritten, so a crash can only tear
// the last line of the last piece; recovery drops a line without its line
// end. While a run is being written, its first piece is locked: another
// instance of the program does not take a live run for an unfinished one.
#pragma once

#include "drive/files/file_access.h"
#include "drive/files/streamed_save.h"
#include "drive/files/writing_queue.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::journal {

inline constexpr int kVersion = 1;
// Each piece stays below this, its header included.
inline constexpr std::size_t kPieceLimit = 64u << 20;
// The writes reach the disk at least this often.
inline constexpr std::chrono::milliseconds kSyncInterval{1000};

// What a run's header says of it.
struct RunInfo {
    std::string kind;    // the recording's name ("Servo Status", "Data Trace")
    std::string started; // when it began, ISO 8601
    std::string target;  // the file it was going to; empty when none was chosen yet
};

class JournalWriter {
public:
    // Creates the folder if need be and the run's first piece; null and
    // the reason when it cannot. `failed` runs once, on the writer's
    // thread, when a write fails later.
    static std::unique_ptr<JournalWriter> create(const std::string &folder, RunInfo info,
                                                 std::function<void()> failed, std::string &reason,
                                                 std::size_t pieceLimit = kPieceLimit);
    // Finishes; the pieces stay unless discarded.
    ~JournalWriter();
    JournalWriter(const JournalWriter &) = delete;
    JournalWriter &operator=(const JournalWriter &) = delete;

    // Whole lines, each ending with LF. A disk that does not keep up (too
    // much waiting) counts as a failed write.
    void append(std::string lines);
    // Writes what is queued, puts it on the disk and closes the pieces;
    // false when any write failed (what was written before stays).
    bool finish();
    // The run's pieces in order (complete after finish()).
    std::vector<std::string> pieces() const;
    // Finishes and removes the pieces: the run is kept elsewhere now.
    void discard();

private:
    JournalWriter(std::string folder, std::string run, RunInfo info, std::size_t pieceLimit);
    bool openPiece(std::string &reason);
    bool closePiece();
    bool writeBatch(std::string_view batch);
    // On the writing thread: the lines, cut at line ends over the pieces.
    bool writeLines(std::string_view lines);

    std::string folder_;
    std::string run_;
    RunInfo info_;
    std::size_t pieceLimit_;
    int lockFd_ = -1;
    std::FILE *piece_ = nullptr;
    std::size_t pieceSize_ = 0;
    std::size_t pieceHeaderSize_ = 0;
    std::vector<std::string> pieces_;
    mutable std::mutex mutex_; // pieces_, which the writing thread adds to
    bool closed_ = false;
    bool closedWell_ = true;
    std::unique_ptr<WritingQueue> queue_; // last: its thread ends before what it writes with goes
};

// A run found in the folder without its end.
struct UnfinishedRun {
    std::string run;
    RunInfo info;
    std::vector<std::string> pieces; // in order
};

// The unfinished runs in `folder`, oldest first; runs another program is
// still writing and files that are no journal are left alone.
std::vector<UnfinishedRun> findUnfinishedRuns(const std::string &folder);

// Writes every whole line the pieces hold, in order, into `path`
// (atomically); a torn last line is dropped. Once `abandoned` (if given)
// is set, the save stops soon, leaving `path` as it was.
FileOutcome saveRun(const std::vector<std::string> &pieces, const std::string &path,
                    const std::atomic<bool> *abandoned = nullptr);

// Removes a run's pieces.
void discardRun(const std::vector<std::string> &pieces);

} // namespace tarvex::journal
