#include "link/src/telnet_codec.h"

namespace vq::link {

using namespace telnet;

namespace {

bool isAccepted(std::uint8_t option)
{
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

void appendSub(std::vector<std::uint8_t> &out, std::uint8_t command, std::initializer_list<std::uint8_t> value)
{
    out.insert(out.end(), {kIac, kSb, kComPort, command});
    TelnetCodec::escape(value.begin(), static_cast<int>(value.size()), out);
    out.insert(out.end(), {kIac, kSe});
}

} // namespace

std::array<bool, 256> TelnetCodec::initialLocal()
{
    std::array<bool, 256> on{};
    on[kComPort] = true;
    on[kBinary] = true;
    return on;
}

std::array<bool, 256> TelnetCodec::initialRemote()
{
    std::array<bool, 256> on{};
    on[kBinary] = true;
    return on;
}

std::vector<std::uint8_t> TelnetCodec::opening(unsigned baud)
{
    std::vector<std::uint8_t> out{kIac, kWill, kComPort, kIac, kWill, kBinary, kIac, kDo, kBinary};
    appendSub(out, kSetBaudRate,
              {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
               static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)});
    appendSub(out, kSetDataSize, {8});
    appendSub(out, kSetParity, {kParityNone});
    appendSub(out, kSetStopSize, {kStopBitsOne});
    return out;
}

void TelnetCodec::escape(const std::uint8_t *bytes, int length, std::vector<std::uint8_t> &out)
{
    for (int i = 0; i < length; ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == kIac)
            out.push_back(kIac);
    }
}

void TelnetCodec::take(const std::uint8_t *bytes, int length, std::vector<std::uint8_t> &data,
                       std::vector<std::uint8_t> &answers)
{
    for (int i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[i];
        switch (state_) {
        case State::Data:
            if (b == kIac)
                state_ = State::Command;
            else
                data.push_back(b);
            break;
        case State::Command:
            if (b == kIac) {
                data.push_back(kIac);
                state_ = State::Data;
            } else if (b >= kWill && b <= kDont) {
                verb_ = b;
                state_ = State::Option;
            } else if (b == kSb) {
                sub_.clear();
                subOverflow_ = false;
                state_ = State::Sub;
            } else {
                state_ = State::Data; // NOP, go-ahead and the like carry nothing here
            }
            break;
        case State::Option:
            negotiate(verb_, b, answers);
            state_ = State::Data;
            break;
        case State::Sub:
            if (b == kIac)
                state_ = State::SubCommand;
            else if (sub_.size() < kLongestSub)
                sub_.push_back(b);
            else
                subOverflow_ = true;
            break;
        case State::SubCommand:
            if (b == kSe) {
                if (!subOverflow_)
                    subnegotiation();
                state_ = State::Data;
            } else if (b == kIac) {
                if (sub_.size() < kLongestSub)
                    sub_.push_back(kIac);
                state_ = State::Sub;
            } else {
                state_ = State::Data; // a malformed sub-negotiation ends here
            }
            break;
        }
    }
}

void TelnetCodec::negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t> &answers)
{
    // Answer only a change, so that two sides never bounce the same
    // request back and forth.
    switch (verb) {
    case kWill:
        if (!isAccepted(option)) {
            answers.insert(answers.end(), {kIac, kDont, option});
        } else if (!remote_[option]) {
            remote_[option] = true;
            answers.insert(answers.end(), {kIac, kDo, option});
        }
        break;
    case kWont:
        if (remote_[option]) {
            remote_[option] = false;
            answers.insert(answers.end(), {kIac, kDont, option});
        }
        break;
    case kDo:
        if (!isAccepted(option)) {
            answers.insert(answers.end(), {kIac, kWont, option});
        } else if (!local_[option]) {
            local_[option] = true;
            answers.insert(answers.end(), {kIac, kWill, option});
        }
        break;
    case kDont:
        if (option == kComPort)
            comPortRefused_ = true;
        if (local_[option]) {
            local_[option] = false;
            answers.insert(answers.end(), {kIac, kWont, option});
        }
        break;
    default:
        break;
    }
}

void TelnetCodec::subnegotiation()
{
    if (sub_.size() == 6 && sub_[0] == kComPort && sub_[1] == kSetBaudRate + kServerOffset) {
        confirmedBaud_ = (static_cast<unsigned>(sub_[2]) << 24) | (static_cast<unsigned>(sub_[3]) << 16) |
                         (static_cast<unsigned>(sub_[4]) << 8) | sub_[5];
    }
}

} // namespace vq::link
