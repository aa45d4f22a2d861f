// A drive that answers from a plain register table over a real
// pseudo-terminal, for tests that must control every byte of a reply (the
// assembly and formats of the status values, the exact request addresses).
// Behaviour tests use the virtual drive instead. Writes (single and
// multiple) land in the table.
#pragma once

#include "tests/support/pty_responder.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tarvex::test {

using Bytes = std::vector<std::uint8_t>;

class ScriptedDrive {
public:
    explicit ScriptedDrive(unsigned pacedBaud = 0);

    const std::string &device() const { return responder_.device(); }
    void set(std::uint16_t address, std::uint16_t value);
    std::uint16_t value(std::uint16_t address) const;
    // Cable pulled: requests are read but never answered.
    void setSilent(bool silent) { silent_ = silent; }
    // Reads starting at `address` are answered with exception `code`.
    void refuseReadsAt(std::uint16_t address, std::uint8_t code);
    // Scattered reads are answered with exception `code` (0: answered again).
    void refuseScatteredReads(std::uint8_t code) { refuseScattered_ = code; }
    // Every request of function 0x6A so far, as its list of addresses.
    std::vector<std::vector<std::uint16_t>> scatteredRequests() const;
    std::size_t requestCount() const { return responder_.requestCount(); }

private:
    Bytes answer(const Bytes &request);

    mutable std::mutex mutex_;
    std::map<std::uint16_t, std::uint16_t> registers_;
    std::map<std::uint16_t, std::uint8_t> refused_;
    std::atomic<bool> silent_{false};
    std::atomic<std::uint8_t> refuseScattered_{0};
    vq::test::PtyResponder responder_;
};

} // namespace tarvex::test
