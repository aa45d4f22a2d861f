// Text handed over by one thread and written by a thread of its own, so
// that the thread handing it over (the user interface's) never waits on the
// disk. The writing thread takes whatever has queued up since its last
// write as one batch. A write that fails (disk full, medium gone) or a queue
// that no longer drains ends the writing; the end is reported once.
#pragma once

#include "drive/connection/worker_thread.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace tarvex {

class WritingQueue {
public:
    // Both run on the writing thread; false when they failed.
    struct Sink {
        std::function<bool(std::string_view batch)> write;
        // When given: puts what was written on the disk, at least every
        // `syncInterval` while something written is not yet there.
        std::function<bool()> sync;
        std::chrono::milliseconds syncInterval{0};
    };

    // Starts the writing thread. More than `maxQueued` bytes waiting means
    // the disk does not keep up. `failed` runs once, on the writing thread
    // (or on the one whose text overflowed the queue), when writing ends
    // in a failure.
    WritingQueue(std::size_t maxQueued, Sink sink, std::function<void()> failed);
    // Finishes.
    ~WritingQueue();
    WritingQueue(const WritingQueue &) = delete;
    WritingQueue &operator=(const WritingQueue &) = delete;

    // Quietly dropped once the writing has ended.
    void append(std::string text);
    // Writes what is queued and ends the writing thread; false when any
    // write failed. Once is enough: later calls give the same answer.
    bool finish();

private:
    void run();
    void fail();

    std::size_t maxQueued_;
    Sink sink_;
    std::function<void()> failed_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string queued_;
    bool ending_ = false;
    bool broken_ = false;
    WorkerHandle thread_;
};

} // namespace tarvex
