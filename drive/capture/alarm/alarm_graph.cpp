#include "drive/capture/alarm/alarm_graph.h"

#include "drive/capture/capture_reading.h"
#include "drive/connection/drive_connection.h"

#include <string>

namespace tarvex {

void CAlarmGraph::runLink(const std::function<void()> &call) const
{
    if (m_runner)
        m_runner(call);
    else
        call();
}

std::uint16_t CAlarmGraph::SetAlarmGraph(std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive)
        return alarm_graph::kResultFailure;
    if (!m_pDrive->isLinkOpen()) {
        m_pDrive->messages().show("Communication Connection Error ");
        return alarm_graph::kResultFailure;
    }
    const std::array<std::uint16_t, alarm_graph::kSetUpWords> words = {
        alarm_graph::kSetUpMarker, m_period,         m_channelCode[0],
        m_channelCode[1],          m_channelCode[2], m_channelCode[3]};
    runLink([&] {
        BusyScope busy(m_pDrive->generalBusy);
        m_pDrive->link().WrMtRegister(alarm_graph::kStateRegister, alarm_graph::kSetUpWords, words.data(), &status);
    });
    if (status != VQ_STATUS_OK) {
        m_pDrive->messages().show("Alarm set Write Error");
        return alarm_graph::kResultFailure;
    }
    return alarm_graph::kResultSuccess;
}

std::uint16_t CAlarmGraph::ReadAlarmGraph(alarm_graph::AlarmSamples &received, int &state, unsigned &start,
                                          std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    state = alarm_graph::kStateNotReady;
    if (!m_pDrive)
        return alarm_graph::kResultFailure;

    std::uint8_t word[2] = {0, 0};
    if (!graphs::readCaptureRegister(*m_pDrive, alarm_graph::kStateRegister, word, status)) {
        m_pDrive->messages().show("Alarm Data Read Error");
        return alarm_graph::kResultFailure;
    }
    // The second byte of the reply is the state's low byte.
    if (word[1] != alarm_graph::kStateReady)
        return alarm_graph::kResultSuccess;

    const int failed = graphs::readCaptureChannels(*m_pDrive, received, alarm_graph::blockAddress, status);
    if (failed >= 0) {
        m_pDrive->messages().show("Alarm Graph Data" + std::to_string(failed + 1) + " Read Error");
        return alarm_graph::kResultFailure;
    }
    // A failed start position read ends the waiting without a message of its own.
    if (!graphs::readCaptureRegister(*m_pDrive, alarm_graph::kStartRegister, word, status))
        return alarm_graph::kResultFailure;
    start = static_cast<unsigned>((word[0] << 8) | word[1]);
    state = alarm_graph::kStateReady;
    return alarm_graph::kResultSuccess;
}

} // namespace tarvex
