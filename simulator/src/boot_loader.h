// The controller's serial boot loader. After the normal firmware accepted
// a boot request the loader waits for three 0x00 bytes, answers 0x0A and
// expects the 0x01 acknowledge; then it takes one-byte commands:
//   0x0B            query, answered 0x01
//   0x02 a0 a1 a2   read 512 instructions from word address a (low byte
//                   first), answered with 1,536 bytes, most significant
//                   byte of each instruction first
//   0x03 a0 a1 a2 + 1,536 bytes   write one row of 512 instructions (each
//                   low, high, upper byte), answered 0x01
//   0x08            reset into the normal firmware
// A 0x00 between commands (the download's "read again") is ignored.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

namespace vq::sim {

class BootLoader {
public:
    static constexpr std::size_t kRowInstructions = 512;
    static constexpr std::size_t kRowBytes = 3 * kRowInstructions;

    BootLoader();

    // The normal firmware accepted a boot request: wait for the handshake.
    void enter();
    bool active() const { return state_ != State::kOff; }

    // Feeds received bytes; returns what the loader answers.
    std::vector<std::uint8_t> feed(const std::uint8_t *bytes, std::size_t length);
    // The line fell silent: a command cut short is forgotten.
    void lineIdle() { pending_.clear(); }
    // True once after a reset command.
    bool takeReset();

    // Faults on demand, each acting once.
    void corruptNextReadBack() { corruptReadBack_ = true; }
    void rejectNextRow() { rejectRow_ = true; }

    // Rows accepted, by word address, as the bytes received.
    const std::map<std::uint32_t, std::vector<std::uint8_t>> &rowsWritten() const { return rows_; }
    std::uint32_t instructionAt(std::uint32_t wordAddress) const;
    // Every instruction held, by word address.
    const std::map<std::uint32_t, std::uint32_t> &program() const { return program_; }

private:
    enum class State { kOff, kHandshake, kAcknowledge, kCommands };
    std::vector<std::uint8_t> runCommand(bool &consumed);
    std::vector<std::uint8_t> readBack(std::uint32_t address);
    void writeRow(std::uint32_t address, const std::uint8_t *data);

    State state_ = State::kOff;
    int zeros_ = 0;
    std::vector<std::uint8_t> pending_;
    bool resetRequested_ = false;
    bool corruptReadBack_ = false;
    bool rejectRow_ = false;
    std::map<std::uint32_t, std::uint32_t> program_; // word address -> 24-bit instruction
    std::map<std::uint32_t, std::vector<std::uint8_t>> rows_;
};

} // namespace vq::sim
