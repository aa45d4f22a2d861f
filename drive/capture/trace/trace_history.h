// Every sample of a trace run in the channels' own units (the DC link in
// volts, with its tenth), for the CSV export of the whole run. Memory stays
// bounded: beyond two hours at the shortest period the oldest samples go,
// and the times of the rest stay what they were. A change of the channel
// selection while tracing starts the record afresh, so that no column
// holds two quantities under one heading.
#pragma once

#include "drive/capture/capture_csv.h"
#include "drive/capture/trace/trace_block.h"

#include <array>
#include <cstddef>
#include <deque>

namespace tarvex::trace {

class TraceHistory {
public:
    // Two hours at 10 ms: 720 000 samples of 32 bytes.
    static constexpr std::size_t kMaxSamples = 720'000;

    void clear();
    // Sample j of a block as the drive sent it, taken with `listIndices`.
    void appendBlockSample(const TraceBlock &block, std::size_t j, const std::array<int, 4> &listIndices);
    // A sample already in physical units (a loaded file).
    void append(const std::array<double, 4> &physical, const std::array<int, 4> &listIndices);

    std::size_t size() const { return samples_.size(); }
    // Samples dropped from the front since the record began.
    long long dropped() const { return dropped_; }
    double value(std::size_t sample, int channel) const { return samples_[sample][static_cast<std::size_t>(channel & 3)]; }
    const std::array<int, 4> &listIndices() const { return listIndices_; }

    graphs::CsvTable csvTable(int periodMs) const;

private:
    std::deque<std::array<double, 4>> samples_;
    std::array<int, 4> listIndices_{};
    long long dropped_ = 0;
};

} // namespace tarvex::trace
