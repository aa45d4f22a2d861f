#include "drive/files/writing_queue.h"

namespace tarvex {

WritingQueue::WritingQueue(std::size_t maxQueued, Sink sink, std::function<void()> failed)
    : maxQueued_(maxQueued), sink_(std::move(sink)), failed_(std::move(failed))
{
    thread_.startIfIdle([this] { run(); });
}

WritingQueue::~WritingQueue() { finish(); }

void WritingQueue::append(std::string text)
{
    bool overflow = false;
    {
        std::lock_guard lock(mutex_);
        if (ending_ || broken_)
            return;
        overflow = queued_.size() + text.size() > maxQueued_;
        if (!overflow)
            queued_ += text;
    }
    if (overflow) {
        fail();
        return;
    }
    wake_.notify_one();
}

bool WritingQueue::finish()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    thread_.waitUntilEnded({});
    std::lock_guard lock(mutex_);
    return !broken_;
}

void WritingQueue::run()
{
    std::string batch;
    auto lastSync = std::chrono::steady_clock::now();
    bool unsynced = false;
    for (;;) {
        bool ending = false;
        {
            std::unique_lock lock(mutex_);
            const auto hasWork = [this] { return ending_ || broken_ || !queued_.empty(); };
            // Written but not yet synced: wake for the sync even when nothing more comes.
            if (unsynced)
                wake_.wait_until(lock, lastSync + sink_.syncInterval, hasWork);
            else
                wake_.wait(lock, hasWork);
            if (broken_)
                return;
            batch.swap(queued_);
            ending = ending_;
        }
        bool written = true;
        if (!batch.empty()) {
            written = sink_.write(batch);
            unsynced = static_cast<bool>(sink_.sync);
        }
        batch.clear();
        if (written && unsynced && std::chrono::steady_clock::now() >= lastSync + sink_.syncInterval) {
            written = sink_.sync();
            lastSync = std::chrono::steady_clock::now();
            unsynced = false;
        }
        if (!written) {
            fail();
            return;
        }
        if (ending)
            return;
    }
}

void WritingQueue::fail()
{
    {
        std::lock_guard lock(mutex_);
        if (broken_)
            return;
        broken_ = true;
        queued_.clear();
    }
    wake_.notify_one();
    if (failed_)
        failed_();
}

} // namespace tarvex
