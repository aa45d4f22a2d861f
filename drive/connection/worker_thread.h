// One worker thread of a kind at a time. The handle is the thread's running
// flag, which the thread clears itself as its last act, together with the
// joinable thread object; a finished thread is joined before the next one
// of its kind starts, and nothing is ever detached.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

namespace tarvex {

class WorkerHandle {
public:
    WorkerHandle() = default;
    WorkerHandle(const WorkerHandle &) = delete;
    WorkerHandle &operator=(const WorkerHandle &) = delete;
    ~WorkerHandle() { join(); }

    // Starts `body` on a new thread unless one of this kind is running.
    // When the body returns, `stillWanted` (if given) is asked once more
    // under the handle's lock: a caller that switched the thread's work back
    // on while it was ending has then either found the handle cleared (and
    // started a new thread) or is served by this one, which runs `body` again.
    bool startIfIdle(std::function<void()> body, std::function<bool()> stillWanted = {})
    {
        std::lock_guard lock(mutex_);
        if (running_.load())
            return false;
        if (thread_.joinable())
            thread_.join(); // ended already: this only reaps it
        running_.store(true);
        thread_ = std::thread([this, body = std::move(body), wanted = std::move(stillWanted)] {
            for (;;) {
                body();
                std::lock_guard ending(mutex_);
                if (!wanted || !wanted()) {
                    running_.store(false);
                    return;
                }
            }
        });
        return true;
    }

    bool isRunning() const { return running_.load(); }

    // Waits until the thread has cleared its handle, checking every 5 ms and
    // calling `tick` (if any) between checks so the caller can keep serving
    // what the worker may be waiting for; then joins it.
    void waitUntilEnded(const std::function<void()> &tick)
    {
        if (isCurrentThread())
            return;
        while (running_.load()) {
            if (tick)
                tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        join();
    }

    bool isCurrentThread() const
    {
        std::lock_guard lock(mutex_);
        return thread_.joinable() && thread_.get_id() == std::this_thread::get_id();
    }

private:
    // The thread takes the lock as its last act, so it is joined after the
    // lock is let go; joining under it would wait for ever on a thread that
    // is still running.
    void join()
    {
        std::thread ending;
        {
            std::lock_guard lock(mutex_);
            if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id())
                return;
            ending = std::move(thread_);
        }
        ending.join();
    }

    mutable std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
};

} // namespace tarvex
