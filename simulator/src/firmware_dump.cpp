#include "simulator/src/firmware_dump.h"

#include <cstdio>
#include <vector>

namespace vq::sim {

namespace {

constexpr std::uint32_t kErased = 0xFFFFFF;
constexpr std::size_t kRecordBytes = 16;

std::string record(std::uint8_t type, std::uint16_t address, const std::vector<std::uint8_t> &data)
{
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFFu) + type;
    char head[16];
    std::snprintf(head, sizeof head, ":%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    std::string line = head;
    for (std::uint8_t b : data) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
        sum += b;
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, "%02X\r\n", (0x100u - (sum & 0xFFu)) & 0xFFu);
    return line + tail;
}

} // namespace

std::string programMemoryHex(const std::map<std::uint32_t, std::uint32_t> &program)
{
    std::string out;
    std::uint32_t segment = 0; // upper 16 bits of the byte address in force
    std::vector<std::uint8_t> data;
    std::uint32_t dataStart = 0; // byte address of data[0]

    const auto flush = [&] {
        if (data.empty())
            return;
        out += record(0x00, static_cast<std::uint16_t>(dataStart & 0xFFFFu), data);
        data.clear();
    };
    for (const auto &[wordAddress, instruction] : program) {
        if (instruction == kErased)
            continue;
        const std::uint32_t byteAddress = 2 * wordAddress;
        const bool follows = !data.empty() && dataStart + data.size() == byteAddress &&
                             data.size() + 4 <= kRecordBytes && (byteAddress >> 16) == segment;
        if (!follows) {
            flush();
            if ((byteAddress >> 16) != segment) {
                segment = byteAddress >> 16;
                out += record(0x04, 0, {static_cast<std::uint8_t>(segment >> 8), static_cast<std::uint8_t>(segment)});
            }
            dataStart = byteAddress;
        }
        data.push_back(static_cast<std::uint8_t>(instruction));
        data.push_back(static_cast<std::uint8_t>(instruction >> 8));
        data.push_back(static_cast<std::uint8_t>(instruction >> 16));
        data.push_back(0);
    }
    flush();
    out += record(0x01, 0, {});
    return out;
}

} // namespace vq::sim
