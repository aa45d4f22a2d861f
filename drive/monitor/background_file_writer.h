// Appends text to a file on a thread of its own, so the user-interface
// thread never waits on the disk. Every batch is flushed to the system as
// soon as it is written: a crash of the program loses at most the lines
// still queued. A write that fails (disk full, medium gone) or a queue that
// no longer drains ends the writing and is reported once.
#pragma once

#include "drive/connection/worker_thread.h"

#include <condition_variable>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
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

    void append(std::string text);
    // Writes what is queued and closes the file; false when any write failed.
    bool finish();

private:
    BackgroundFileWriter(std::FILE *file, std::function<void()> failed);
    void run();
    void fail();

    std::FILE *file_;
    std::function<void()> failed_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string queued_;
    bool ending_ = false;
    bool broken_ = false;
    bool finished_ = false;
    WorkerHandle thread_;
};

} // namespace tarvex
