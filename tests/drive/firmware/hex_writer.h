// An Intel HEX writer of the tests' own, independent of the reader under
// test: records are built from their fields and given a correct checksum.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace hextest {

inline std::string record(int type, int address, const std::vector<std::uint8_t> &data)
{
    std::string line = ":";
    char hex[4];
    int sum = 0;
    auto put = [&](int byte) {
        std::snprintf(hex, sizeof hex, "%02X", byte & 0xFF);
        line += hex;
        sum += byte & 0xFF;
    };
    put(static_cast<int>(data.size()));
    put(address >> 8);
    put(address);
    put(type);
    for (auto b : data)
        put(b);
    put(-sum);
    return line;
}

inline std::string data(int address, const std::vector<std::uint8_t> &bytes) { return record(0, address, bytes); }
inline std::string extendedLinear(int upper) { return record(4, 0, {static_cast<std::uint8_t>(upper >> 8), static_cast<std::uint8_t>(upper)}); }
inline std::string endOfFile() { return record(1, 0, {}); }

inline std::string file(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const auto &l : lines)
        text += l + "\r\n";
    return text;
}

// A 24-bit instruction as the HEX file holds it: low, high, upper, zero.
inline std::vector<std::uint8_t> instruction(std::uint32_t op)
{
    return {static_cast<std::uint8_t>(op), static_cast<std::uint8_t>(op >> 8), static_cast<std::uint8_t>(op >> 16), 0};
}

} // namespace hextest
