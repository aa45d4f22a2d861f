// What the virtual drive received, from its frame log: every register
// write (function 0x06 or 0x10) and read (0x03) in arrival order, so tests
// can tell which values reached which register, how often and in which
// order.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tarvex::test {

struct DriveRequest {
    enum class Kind { Read, Write };
    Kind kind = Kind::Read;
    std::uint16_t address = 0;
    std::vector<std::uint16_t> values; // writes: the values; reads: empty
    int count = 0;                     // registers read or written
};

class DriveRequests {
public:
    // The drive's log line sink; lines other than received frames are ignored.
    std::function<void(const std::string &)> sink();

    std::vector<DriveRequest> all() const;
    // The values written to `address` by single writes, in order.
    std::vector<std::uint16_t> singleWrites(std::uint16_t address) const;
    // The value lists of multiple writes starting at `address`, in order.
    std::vector<std::vector<std::uint16_t>> blockWrites(std::uint16_t address) const;
    // Every write that starts at `address`, single or multiple.
    std::vector<DriveRequest> writesTo(std::uint16_t address) const;
    std::size_t readsOf(std::uint16_t address) const;
    std::size_t writeCount() const;
    void clear();

private:
    void take(const std::string &line);

    mutable std::mutex m_mutex;
    std::vector<DriveRequest> m_requests;
};

} // namespace tarvex::test
