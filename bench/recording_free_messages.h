// The benchmarks' message service: counts messages and prints them, never
// waits for anyone. No benchmark expects a box, so any box means the run
// went other than the one it measures.
#pragma once

#include "bench_run.h"
#include "message_service.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace tarvex::bench {

class CountingMessages final : public MessageService {
public:
    bool present(const Message &message) override
    {
        std::fprintf(stderr, "message: %s\n", message.text.c_str());
        {
            std::lock_guard lock(mutex_);
            if (first_.empty())
                first_ = message.text;
        }
        ++count_;
        return false;
    }
    std::size_t count() const { return count_.load(); }

    // Zero when no box was shown; otherwise says which was and returns the
    // exit code for main.
    int failIfShown() const
    {
        if (count() == 0)
            return 0;
        std::lock_guard lock(mutex_);
        return cannotMeasure("%zu message box(es) shown, the first \"%s\"", count(), first_.c_str());
    }

private:
    std::atomic<std::size_t> count_{0};
    mutable std::mutex mutex_;
    std::string first_;
};

} // namespace tarvex::bench
