// A request whose answer no earlier request can have, to tell where the
// replies still owed end. A drive answers its requests in turn, so once the
// answer to the marker has come, every reply to a request sent before it has
// come too (or never will). Modbus replies carry no request number: a late
// reply to a read of one register looks like the reply to a read of any
// other, so without a marker a reply later than all attempts of its request
// could be taken for the next request's value.
//
// The marker is a scattered read of the drive-state register (register 0,
// present on every drive) listed k times: its answer is the only frame of
// function 0x6A with byte count 2k on the line, k chosen apart from the
// requests still owed and changed with every marker.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>

namespace vq::link {

class LineMarker {
public:
    // Requests whose replies may still come; a scattered read among them
    // rules out its byte count for the markers.
    void owe(const std::uint8_t *request, int length);
    void forget();
    bool owing() const { return owing_; }

    // Builds the next marker into `out` (at least 5 + 2 x 126 bytes) and
    // returns its length; from now on only its answer counts.
    int build(std::uint8_t *out, std::uint8_t node);

    // Feeds what arrived; true once the answer to the last marker built has
    // been seen whole with a valid CRC.
    bool seen(const std::uint8_t *bytes, int count);

private:
    bool owing_ = false;
    std::bitset<128> ruledOut_; // register counts a marker may not use
    int lastCount_ = 0;         // the last marker's register count
    int nextCount_ = 1;
    std::uint8_t node_ = 0;
    // The tail of what has arrived since the last marker went out, long
    // enough for the longest marker answer.
    std::array<std::uint8_t, 512> tail_{};
    int tailLength_ = 0;
};

} // namespace vq::link
