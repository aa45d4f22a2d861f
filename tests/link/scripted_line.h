// A serial line on a virtual clock: replies are scheduled as chunks that
// arrive at given times after the request was written, so every arrival
// pattern (whole, in pieces, cut off, late, never) can be replayed exactly
// and the protocol's fixed waits cost no real time.
#pragma once

#include "link/src/byte_pipe.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

namespace vq::test {

using Bytes = std::vector<std::uint8_t>;

class VirtualClock final : public link::Sleeper {
public:
    void sleepMs(unsigned milliseconds) override { nowMs += milliseconds; }
    long long nowUs() override { return nowMs * 1000; }
    long long nowMs = 0;
};

class ScriptedLine final : public link::BytePipe {
public:
    struct Chunk {
        long long afterMs; // after the request was written
        Bytes bytes;
    };

    explicit ScriptedLine(VirtualClock &clock) : clock_(clock) {}

    // The answer to the next request written.
    void answerNextWith(std::vector<Chunk> chunks) { script_.push_back(std::move(chunks)); }
    void answerNextWith(Bytes whole) { answerNextWith({{1, std::move(whole)}}); }
    void answerNextWithSilence() { script_.push_back({}); }

    int waiting() override
    {
        if (broken)
            return -1;
        deliverDue();
        return static_cast<int>(queue_.size());
    }

    int read(std::uint8_t *into, int max) override
    {
        if (broken)
            return -1;
        deliverDue();
        const int n = std::min<int>(max, static_cast<int>(queue_.size()));
        std::copy_n(queue_.begin(), n, into);
        queue_.erase(queue_.begin(), queue_.begin() + n);
        largestRead = std::max(largestRead, max);
        return n;
    }

    bool write(const std::uint8_t *bytes, int length) override
    {
        written.emplace_back(bytes, bytes + length);
        writeTimes.push_back(clock_.nowMs);
        if (!script_.empty()) {
            for (auto &chunk : script_.front())
                pending_.push_back({clock_.nowMs + chunk.afterMs, chunk.bytes});
            script_.pop_front();
        }
        return true;
    }

    void waitUntilSent(unsigned) override {}

    // Jumps the clock to the next arrival when it comes within the timeout.
    int waitReadable(unsigned timeoutMs) override
    {
        if (broken)
            return -1;
        deliverDue();
        if (!queue_.empty())
            return 1;
        const long long until = clock_.nowMs + timeoutMs;
        if (!pending_.empty() && pending_.front().afterMs <= until) {
            clock_.nowMs = std::max(clock_.nowMs, pending_.front().afterMs);
            deliverDue();
            return 1;
        }
        clock_.nowMs = until;
        return 0;
    }

    void purge() override
    {
        deliverDue();
        queue_.clear();
        ++purges;
    }

    std::vector<Bytes> written;
    std::vector<long long> writeTimes;
    int purges = 0;
    int largestRead = 0;
    bool broken = false;

private:
    void deliverDue()
    {
        while (!pending_.empty() && pending_.front().afterMs <= clock_.nowMs) {
            queue_.insert(queue_.end(), pending_.front().bytes.begin(), pending_.front().bytes.end());
            pending_.pop_front();
        }
    }

    VirtualClock &clock_;
    std::deque<std::vector<Chunk>> script_;
    std::deque<Chunk> pending_;
    std::deque<std::uint8_t> queue_;
};

} // namespace vq::test
