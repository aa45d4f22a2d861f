// The trace service: sends the trace set-up (period and four channel codes)
// to the drive, starts and stops the drive's tracing, and fetches one block
// of samples when the drive has one ready. Free of widgets; the data trace
// window is built on it and its worker thread calls ReceiveTrace.
#pragma once

#include "drive/capture/trace/trace_block.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

namespace tarvex {

class DriveConnection;

namespace trace {
// Results of the service operations.
inline constexpr std::uint16_t kResultSuccess = 2;
inline constexpr std::uint16_t kResultNotReady = 6;
inline constexpr std::uint16_t kResultFailure = 8; // the message has been shown

// Register 1036: the set-up block of six words, and the trace operation.
inline constexpr std::uint16_t kTraceRegister = 1036;
inline constexpr int kSetUpWords = 6;
inline constexpr std::uint16_t kSetUpMarker = 1;
inline constexpr std::int32_t kOperationStart = 2;
inline constexpr std::int32_t kOperationStop = 0;

// Trace read modes of CommRdTraceData: is a block ready, fetch it, release it.
inline constexpr std::uint8_t kModeQuery = 1;
inline constexpr std::uint8_t kModeFetch = 2;
inline constexpr std::uint8_t kModeRelease = 4;
inline constexpr std::int32_t kBlockCount = 4;
// Link status of a query the drive answered with "no block ready".
inline constexpr std::uint8_t kStatusNotReady = 5;

// The period register counts 0.2 ms steps.
constexpr std::uint16_t periodRegisterValue(int periodMs) { return static_cast<std::uint16_t>(periodMs * 5); }
} // namespace trace

class CTraceGraph {
public:
    // Runs one link call of the user-interface thread; the window passes one
    // that keeps the user interface painting while a silent drive is
    // retried. Empty: called directly. The worker's fetches run directly.
    using LinkRunner = std::function<void(const std::function<void()> &call)>;

    explicit CTraceGraph(DriveConnection *drive = nullptr) : m_pDrive(drive) {}
    virtual ~CTraceGraph() = default;
    CTraceGraph(const CTraceGraph &) = delete;
    CTraceGraph &operator=(const CTraceGraph &) = delete;

    void setDriveConnection(DriveConnection *drive) { m_pDrive = drive; }
    DriveConnection *driveConnection() const { return m_pDrive; }
    void setLinkRunner(LinkRunner runner) { m_runner = std::move(runner); }

    // Writes 1, the period value and the four channel codes to 1036..1046;
    // "TraceSet Write Error" on failure.
    std::uint16_t SetTrace(std::uint8_t &status);
    // Writes `value` (2 start, 0 stop) to 1036; "TraceOperation Write Error" on failure.
    std::uint16_t OperateTrace(std::int32_t value, std::uint8_t &status);
    // Asks whether a block is ready, fetches and releases it: kResultSuccess
    // with `block` filled, kResultNotReady when there is none (or the fetch
    // came back short: the same block is fetched again next time), or
    // kResultFailure after "RecvTrace Read Error". While a stop is pending a
    // failed query counts as "no block": the drive is about to stop and
    // nothing made up is handed on.
    std::uint16_t ReceiveTrace(trace::TraceBlock &block, std::uint8_t &status);

    std::uint16_t periodValue() const { return m_period; }
    void setPeriodValue(std::uint16_t value) { m_period = value; }
    std::uint16_t channelCode(int channel) const { return m_channelCode[static_cast<std::size_t>(channel & 3)]; }
    void setChannelCode(int channel, std::uint16_t code) { m_channelCode[static_cast<std::size_t>(channel & 3)] = code; }
    bool stopPending() const { return m_stopPending.load(); }
    void setStopPending(bool pending) { m_stopPending.store(pending); }

protected:
    void runLink(const std::function<void()> &call) const;

    DriveConnection *m_pDrive = nullptr; // not owned
    std::uint16_t m_period = 0;          // sampling period in 0.2 ms steps
    std::array<std::uint16_t, 4> m_channelCode{};
    std::atomic<bool> m_stopPending{false};
    LinkRunner m_runner;
};

} // namespace tarvex
