#include "drive/capture/trace/trace_graph.h"

#include "drive/connection/drive_connection.h"

namespace tarvex {

void CTraceGraph::runLink(const std::function<void()> &call) const
{
    if (m_runner)
        m_runner(call);
    else
        call();
}

std::uint16_t CTraceGraph::SetTrace(std::uint8_t &status)
{
    status = 1;
    if (!m_pDrive)
        return trace::kResultFailure;
    const std::array<std::uint16_t, trace::kSetUpWords> words = {
        trace::kSetUpMarker, m_period, m_channelCode[0], m_channelCode[1], m_channelCode[2], m_channelCode[3]};
    runLink([&] {
        BusyScope busy(m_pDrive->traceBusy);
        m_pDrive->link().WrMtRegister(trace::kTraceRegister, trace::kSetUpWords, words.data(), &status);
    });
    if (status != 0) {
        m_pDrive->messages().show("TraceSet Write Error");
        return trace::kResultFailure;
    }
    return trace::kResultSuccess;
}

std::uint16_t CTraceGraph::OperateTrace(std::int32_t value, std::uint8_t &status)
{
    status = 1;
    if (!m_pDrive)
        return trace::kResultFailure;
    runLink([&] {
        BusyScope busy(m_pDrive->traceBusy);
        m_pDrive->link().WrSgRegister(trace::kTraceRegister, value, &status);
    });
    if (status != 0) {
        m_pDrive->messages().show("TraceOperation Write Error");
        return trace::kResultFailure;
    }
    return trace::kResultSuccess;
}

std::uint16_t CTraceGraph::ReceiveTrace(trace::TraceBlock &block, std::uint8_t &status)
{
    status = 1;
    if (!m_pDrive)
        return trace::kResultFailure;
    const LinkLibrary &link = m_pDrive->link();
    // Room for the longest reply of any mode (the fetch's 240 data bytes).
    std::array<std::uint8_t, trace::kBlockBytes> bytes{};

    {
        BusyScope busy(m_pDrive->traceBusy);
        link.RdTraceData(trace::kBlockCount, bytes.data(), &status, trace::kModeQuery);
    }
    if (status == trace::kStatusNotReady)
        return trace::kResultNotReady;
    if (status != 0) {
        if (m_stopPending.load())
            return trace::kResultNotReady;
        m_pDrive->messages().show("RecvTrace Read Error");
        return trace::kResultFailure;
    }

    std::int32_t received = 0;
    {
        BusyScope busy(m_pDrive->traceBusy);
        received = link.RdTraceData(trace::kBlockCount, bytes.data(), &status, trace::kModeFetch);
    }
    if (status != 0 || received < trace::kBlockBytes)
        return trace::kResultNotReady;
    block = trace::decodeTraceBlock(bytes.data());

    std::uint8_t releaseStatus = 0;
    {
        BusyScope busy(m_pDrive->traceBusy);
        link.RdTraceData(trace::kBlockCount, bytes.data(), &releaseStatus, trace::kModeRelease);
    }
    return trace::kResultSuccess;
}

} // namespace tarvex
