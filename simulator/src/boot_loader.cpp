#include "simulator/src/boot_loader.h"

namespace vq::sim {
namespace {

constexpr std::uint8_t kReady = 0x0A;
constexpr std::uint8_t kAccepted = 0x01;
constexpr std::uint8_t kRefused = 0x00;
constexpr std::size_t kAddressBytes = 3;

std::uint32_t address24(const std::uint8_t *b)
{
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16);
}

} // namespace

BootLoader::BootLoader()
{
    // The factory program starts with the reset vector: goto 0x000200, two
    // instruction words (the opcode 0x04 in the upper byte of the first).
    program_[0] = 0x040200;
    program_[2] = 0x000000;
}

void BootLoader::enter()
{
    state_ = State::kHandshake;
    zeros_ = 0;
    pending_.clear();
}

bool BootLoader::takeReset()
{
    const bool reset = resetRequested_;
    resetRequested_ = false;
    return reset;
}

std::uint32_t BootLoader::instructionAt(std::uint32_t wordAddress) const
{
    const auto it = program_.find(wordAddress);
    return it == program_.end() ? 0xFFFFFFu : it->second; // erased flash reads all ones
}

std::vector<std::uint8_t> BootLoader::feed(const std::uint8_t *bytes, std::size_t length)
{
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < length && state_ != State::kOff; ++i) {
        const std::uint8_t b = bytes[i];
        switch (state_) {
        case State::kHandshake:
            if (b == 0x00) {
                if (++zeros_ == 3) {
                    out.push_back(kReady);
                    state_ = State::kAcknowledge;
                }
            } else if (b == 0x0B) {
                out.push_back(kAccepted);
                state_ = State::kCommands;
            } else {
                zeros_ = 0;
            }
            break;
        case State::kAcknowledge:
            if (b == 0x01) {
                state_ = State::kCommands;
            } else if (b == 0x0B) {
                out.push_back(kAccepted);
                state_ = State::kCommands;
            }
            break;
        case State::kCommands: {
            pending_.push_back(b);
            bool consumed = false;
            const auto reply = runCommand(consumed);
            out.insert(out.end(), reply.begin(), reply.end());
            if (consumed)
                pending_.clear();
            break;
        }
        case State::kOff: break;
        }
    }
    return out;
}

std::vector<std::uint8_t> BootLoader::runCommand(bool &consumed)
{
    consumed = true;
    switch (pending_[0]) {
    case 0x0B: return {kAccepted};
    case 0x08:
        resetRequested_ = true;
        state_ = State::kOff;
        return {};
    case 0x02:
        if (pending_.size() < 1 + kAddressBytes) {
            consumed = false;
            return {};
        }
        return readBack(address24(pending_.data() + 1));
    case 0x03:
        if (pending_.size() < 1 + kAddressBytes + kRowBytes) {
            consumed = false;
            return {};
        }
        if (rejectRow_) {
            rejectRow_ = false;
            return {kRefused};
        }
        writeRow(address24(pending_.data() + 1), pending_.data() + 1 + kAddressBytes);
        return {kAccepted};
    default: return {}; // 0x00 (read-back refused), stray acknowledges
    }
}

std::vector<std::uint8_t> BootLoader::readBack(std::uint32_t address)
{
    std::vector<std::uint8_t> out;
    out.reserve(kRowBytes);
    for (std::size_t i = 0; i < kRowInstructions; ++i) {
        const std::uint32_t instruction = instructionAt(address + 2 * static_cast<std::uint32_t>(i));
        out.push_back(static_cast<std::uint8_t>(instruction >> 16));
        out.push_back(static_cast<std::uint8_t>(instruction >> 8));
        out.push_back(static_cast<std::uint8_t>(instruction));
    }
    if (corruptReadBack_) {
        corruptReadBack_ = false;
        out[0] = 0x05;
    }
    return out;
}

void BootLoader::writeRow(std::uint32_t address, const std::uint8_t *data)
{
    rows_[address] = std::vector<std::uint8_t>(data, data + kRowBytes);
    for (std::size_t j = 0; j < kRowInstructions; ++j) {
        const std::uint8_t *b = data + 3 * j;
        program_[address + 2 * static_cast<std::uint32_t>(j)] =
            static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
            (static_cast<std::uint32_t>(b[2]) << 16);
    }
}

} // namespace vq::sim
