#include "drive/capture/trace/trace_history.h"

#include "drive/capture/channel_catalog.h"

namespace tarvex::trace {

void TraceHistory::clear()
{
    samples_.clear();
    dropped_ = 0;
}

void TraceHistory::appendBlockSample(const TraceBlock &block, std::size_t j, const std::array<int, 4> &listIndices)
{
    std::array<double, 4> physical{};
    for (std::size_t c = 0; c < 4; ++c) {
        const int raw = block[c][j];
        physical[c] = listIndices[c] == graphs::kDcLinkIndex ? raw / 10.0 : raw;
    }
    append(physical, listIndices);
}

void TraceHistory::append(const std::array<double, 4> &physical, const std::array<int, 4> &listIndices)
{
    if (listIndices != listIndices_) {
        clear();
        listIndices_ = listIndices;
    }
    if (samples_.size() >= kMaxSamples) {
        samples_.pop_front();
        ++dropped_;
    }
    samples_.push_back(physical);
}

graphs::CsvTable TraceHistory::csvTable(int periodMs) const
{
    std::array<std::vector<double>, 4> physical;
    for (std::size_t c = 0; c < 4; ++c) {
        physical[c].reserve(samples_.size());
        for (const auto &sample : samples_)
            physical[c].push_back(sample[c]);
    }
    return graphs::traceCsvTable(physical, listIndices_, periodMs, dropped_);
}

} // namespace tarvex::trace
