// The drive's own record of its last twenty alarms, most recent first.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

namespace vq::sim {

class AlarmHistory {
public:
    static constexpr std::size_t kEntries = 20;

    void record(std::uint8_t code)
    {
        entries_.push_front(code);
        if (entries_.size() > kEntries)
            entries_.pop_back();
    }
    void clear() { entries_.clear(); }
    // Twenty codes, entry 0 the most recent, 0 where nothing is recorded.
    std::vector<std::uint8_t> codes() const
    {
        std::vector<std::uint8_t> out(kEntries, 0);
        for (std::size_t i = 0; i < entries_.size(); ++i)
            out[i] = entries_[i];
        return out;
    }
    // The latched block: two codes per register, entry 2k in the low byte
    // of register k and entry 2k + 1 in its high byte.
    std::vector<std::uint16_t> latchedWords() const
    {
        const auto c = codes();
        std::vector<std::uint16_t> words(kEntries / 2);
        for (std::size_t k = 0; k < words.size(); ++k)
            words[k] = static_cast<std::uint16_t>(c[2 * k] | (c[2 * k + 1] << 8));
        return words;
    }

private:
    std::deque<std::uint8_t> entries_;
};

} // namespace vq::sim
