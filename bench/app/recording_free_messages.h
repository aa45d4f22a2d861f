// The benchmarks' message service: counts messages and prints them, never
// waits for anyone.
#pragma once

#include "message_service.h"

#include <atomic>
#include <cstdio>

namespace tarvex::bench {

class CountingMessages final : public MessageService {
public:
    bool present(const Message &message) override
    {
        ++count_;
        std::fprintf(stderr, "message: %s\n", message.text.c_str());
        return false;
    }
    std::size_t count() const { return count_.load(); }

private:
    std::atomic<std::size_t> count_{0};
};

} // namespace tarvex::bench
