// Appends text to a file on a thread of its own, so the user-interface
// thread never waits on the disk. Every batch is flushed to the system as
// soon as it is written: a crash of the program loses at most the lines
// still queued. A write that fails (disk full, medium gone) or a queue that
// no longer drains ends the writing and is reported once.
#pragma once

#include "drive/files/writing_queue.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace tarvex {

class BackgroundFileWriter {
public:
    // More than this waiting means the disk does not keep up.
    static constexpr std::size_t kMaxQueued = 4u << 20;

    // Creates (or empties) the file; null when it cannot be created.
    // `failed` runs once, on the writer's thread, when writing fails.
    static std::unique_ptr<BackgroundFileWriter> create(const std::string &path, std::function<void()> failed);
    ~BackgroundFileWriter();
    BackgroundFileWriter(const BackgroundFileWriter &) = delete;
    BackgroundFileWriter &operator=(const BackgroundFileWriter &) = delete;

    void append(std::string text) { queue_.append(std::move(text)); }
    // Writes what is queued and closes the file; false when any write failed.
    bool finish();

private:
    BackgroundFileWriter(std::FILE *file, std::function<void()> failed);

    std::FILE *file_;
    bool closedWell_ = true;
    WritingQueue queue_; // last: its thread ends before the file goes
};

} // namespace tarvex
