// The drive's register memory: one flat space of 16-bit registers at even
// addresses. Several features share registers on purpose (the last program
// jog step time is also the notch filter switch, the alarm history block
// spans the tuning registers), so every address holds exactly one word and
// every feature reads and writes that same word. An address the drive does
// not have is unknown and answers Modbus exception 2.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>

namespace vq::sim {

class RegisterMemory {
public:
    static constexpr std::size_t kWords = 32768; // addresses 0, 2, ..., 65534

    bool isKnown(std::uint16_t address) const
    {
        return (address & 1u) == 0 && known_.test(address / 2u);
    }
    // True when every address of a block of `count` registers from `start`
    // exists; a block that would run past the top of the space does not.
    bool isKnownBlock(std::uint16_t start, int count) const;

    // Makes the addresses from `first` to `last` (both even, inclusive) exist.
    void addRange(std::uint16_t first, std::uint16_t last, std::uint16_t value = 0);
    void add(std::uint16_t address, std::uint16_t value = 0) { addRange(address, address, value); }

    std::uint16_t get(std::uint16_t address) const { return words_[address / 2u]; }
    void set(std::uint16_t address, std::uint16_t value) { words_[address / 2u] = value; }

    // 32-bit quantities occupy two consecutive registers, low half first.
    void set32(std::uint16_t address, std::int32_t value);
    std::int32_t get32(std::uint16_t address) const;

private:
    std::array<std::uint16_t, kWords> words_{};
    std::bitset<kWords> known_;
};

} // namespace vq::sim
