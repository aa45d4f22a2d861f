// The telnet side of an RFC 2217 line: data bytes escaped on the way out,
// negotiation and sub-negotiation taken out of the stream on the way in,
// the server's offers answered, and the COM port option's requests that
// set the line to a rate and 8N1.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace vq::link {

namespace telnet {
inline constexpr std::uint8_t kIac = 255;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kSe = 240;
inline constexpr std::uint8_t kBinary = 0;
inline constexpr std::uint8_t kSuppressGoAhead = 3;
inline constexpr std::uint8_t kComPort = 44;
// COM port option commands from the client; the server answers each with
// the same code plus 100.
inline constexpr std::uint8_t kSetBaudRate = 1;
inline constexpr std::uint8_t kSetDataSize = 2;
inline constexpr std::uint8_t kSetParity = 3;
inline constexpr std::uint8_t kSetStopSize = 4;
inline constexpr std::uint8_t kServerOffset = 100;
inline constexpr std::uint8_t kParityNone = 1;
inline constexpr std::uint8_t kStopBitsOne = 1;
} // namespace telnet

class TelnetCodec {
public:
    // What a client says first: that it speaks the COM port option and
    // binary both ways, then the line settings.
    static std::vector<std::uint8_t> opening(unsigned baud);

    // Appends `length` data bytes to `out` with every 0xFF doubled.
    static void escape(const std::uint8_t *bytes, int length, std::vector<std::uint8_t> &out);

    // Takes bytes from the server: data bytes go to `data`, answers to the
    // server's negotiation to `answers`. The state carries over between
    // calls, so a command split across reads is still understood.
    void take(const std::uint8_t *bytes, int length, std::vector<std::uint8_t> &data,
              std::vector<std::uint8_t> &answers);

    // The rate the server confirmed for the line; 0 until it has.
    unsigned confirmedBaud() const { return confirmedBaud_; }
    // The server said it will not take the COM port option.
    bool comPortRefused() const { return comPortRefused_; }

private:
    enum class State { Data, Command, Option, Sub, SubCommand };
    void negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t> &answers);
    void subnegotiation();

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    // Options this side runs (WILL) and the server runs (DO), as agreed so
    // far; the opening asks for the ones marked here, so the server's
    // agreement needs no answer.
    std::array<bool, 256> local_ = initialLocal();
    std::array<bool, 256> remote_ = initialRemote();
    static std::array<bool, 256> initialLocal();
    static std::array<bool, 256> initialRemote();
    static constexpr std::size_t kLongestSub = 64;
    std::vector<std::uint8_t> sub_;
    bool subOverflow_ = false;
    unsigned confirmedBaud_ = 0;
    bool comPortRefused_ = false;
};

} // namespace vq::link
