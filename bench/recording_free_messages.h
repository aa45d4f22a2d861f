// The benchmarks' message service: counts messages and prints them, never
// waits for anyone. A box a benchmark does not expect means the run went
// other than the one it measures.
#pragma once

#include "bench/bench_run.h"
#include "drive/connection/message_service.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace tarvex::bench {

class CountingMessages final : public MessageService {
public:
    // Boxes whose text starts with `textStart` belong to the measured run.
    void expect(std::string textStart) { expected_.push_back(std::move(textStart)); }

    bool present(const Message &message) override
    {
        std::fprintf(stderr, "message: %s\n", message.text.c_str());
        std::lock_guard lock(mutex_);
        for (const std::string &start : expected_)
            if (message.text.starts_with(start))
                return false;
        if (unexpected_++ == 0)
            first_ = message.text;
        return false;
    }

    // Zero when no unexpected box was shown; otherwise says which was and
    // returns the exit code for main.
    int failIfShown() const
    {
        std::lock_guard lock(mutex_);
        if (unexpected_ == 0)
            return 0;
        return cannotMeasure("%zu message box(es) shown, the first \"%s\"", unexpected_, first_.c_str());
    }

private:
    std::vector<std::string> expected_; // set before the run, read by any thread
    mutable std::mutex mutex_;
    std::size_t unexpected_ = 0;
    std::string first_;
};

} // namespace tarvex::bench
