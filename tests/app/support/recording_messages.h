// The message service of the tests: records every message (from any
// thread) and answers questions as scripted, without showing anything.
#pragma once

#include "drive/connection/message_service.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvex::test {

class RecordingMessages final : public MessageService {
public:
    bool present(const Message &message) override
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(message);
        bool answer = false;
        if (message.kind == Message::Kind::Question && !answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        }
        changed_.notify_all();
        return answer;
    }

    // A choice not scripted is dismissed, as Escape would.
    int choose(const Message &question, const Choices &choices) override
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(question);
        int answer = choices.dismissed;
        if (!choices_.empty()) {
            answer = choices_.front();
            choices_.pop_front();
        }
        changed_.notify_all();
        return answer;
    }

    void answerNext(bool yes)
    {
        std::lock_guard lock(mutex_);
        answers_.push_back(yes);
    }
    // The index of the button the next choice is answered with.
    void chooseNext(int button)
    {
        std::lock_guard lock(mutex_);
        choices_.push_back(button);
    }

    std::vector<std::string> texts() const
    {
        std::lock_guard lock(mutex_);
        std::vector<std::string> out;
        for (const Message &m : messages_)
            out.push_back(m.text);
        return out;
    }
    std::vector<Message> messages() const
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::size_t count(const std::string &text) const
    {
        const auto all = texts();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), text));
    }
    bool empty() const { return texts().empty(); }
    void clear()
    {
        std::lock_guard lock(mutex_);
        messages_.clear();
    }

    // Waits until `text` has been shown at least once.
    bool waitFor(const std::string &text, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] {
            return std::any_of(messages_.begin(), messages_.end(),
                               [&](const Message &m) { return m.text == text; });
        });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Message> messages_;
    std::deque<bool> answers_;
    std::deque<int> choices_;
};

// Polls `condition` until it holds or `timeout` passes.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace tarvex::test
