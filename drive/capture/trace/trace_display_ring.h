// The three display slots between the trace worker and the plot step: the
// worker fills the next free slot with a received block, the user-interface
// thread plots the filled slots in the order they were filled and frees
// them. One writer, one reader, no lock. When all three slots wait to be
// plotted the worker leaves the next block in the drive (which queues its
// blocks) until a slot is free, so no block is overwritten, repeated or
// shown out of order.
#pragma once

#include "drive/capture/trace/trace_block.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace tarvex::trace {

class TraceDisplayRing {
public:
    static constexpr std::uint64_t kSlots = 3;

    // Worker side.
    bool hasRoom() const { return filled_.load(std::memory_order_relaxed) - plotted_.load(std::memory_order_acquire) < kSlots; }
    bool push(const TraceBlock &block)
    {
        const std::uint64_t filled = filled_.load(std::memory_order_relaxed);
        if (filled - plotted_.load(std::memory_order_acquire) >= kSlots)
            return false;
        slots_[filled % kSlots] = block;
        filled_.store(filled + 1, std::memory_order_release);
        return true;
    }

    // User-interface side.
    bool pop(TraceBlock &block)
    {
        const std::uint64_t plotted = plotted_.load(std::memory_order_relaxed);
        if (plotted == filled_.load(std::memory_order_acquire))
            return false;
        block = slots_[plotted % kSlots];
        plotted_.store(plotted + 1, std::memory_order_release);
        return true;
    }
    // Drops the blocks that wait (a new set-up or a loaded file replaces the plot).
    void discard() { plotted_.store(filled_.load(std::memory_order_acquire), std::memory_order_release); }

    std::uint64_t waiting() const { return filled_.load(std::memory_order_acquire) - plotted_.load(std::memory_order_acquire); }

private:
    std::array<TraceBlock, kSlots> slots_{};
    std::atomic<std::uint64_t> filled_{0};
    std::atomic<std::uint64_t> plotted_{0};
};

} // namespace tarvex::trace
