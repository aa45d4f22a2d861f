#include "drive/capture/trigger/trigger_graph.h"

#include "drive/capture/capture_reading.h"
#include "drive/connection/drive_connection.h"

#include <string>

namespace tarvex {

void CTriggerGraph::runLink(const std::function<void()> &call) const
{
    if (m_runner)
        m_runner(call);
    else
        call();
}

std::uint16_t CTriggerGraph::SetTrigger(std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive)
        return trigger::kResultFailure;
    const std::array<std::uint16_t, trigger::kSetUpWords> words = {
        m_period,   m_channelCode[0], m_channelCode[1], m_channelCode[2],
        m_channelCode[3], m_source,   m_edge,           m_position,
        static_cast<std::uint16_t>(static_cast<std::uint32_t>(m_level) & 0xFFFFu)};
    runLink([&] {
        BusyScope busy(m_pDrive->generalBusy);
        m_pDrive->link().WrMtRegister(trigger::kSetUpRegister, trigger::kSetUpWords, words.data(), &status);
    });
    if (status != VQ_STATUS_OK) {
        m_pDrive->messages().show("TriggerSet Write Error");
        return trigger::kResultFailure;
    }
    return trigger::kResultSuccess;
}

std::uint16_t CTriggerGraph::StartTrigger(std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive)
        return trigger::kResultFailure;
    runLink([&] {
        BusyScope busy(m_pDrive->generalBusy);
        m_pDrive->link().WrSgRegister(trigger::kStateRegister, trigger::kArm, &status);
    });
    if (status != VQ_STATUS_OK) {
        m_pDrive->messages().show("TriggerSet Write Error");
        return trigger::kResultFailure;
    }
    return trigger::kResultSuccess;
}

std::uint16_t CTriggerGraph::ReadTrigger(trigger::TriggerSamples &received, int &state, unsigned &start,
                                         std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    state = trigger::kStateWaiting;
    if (!m_pDrive)
        return trigger::kResultFailure;

    std::uint8_t word[2] = {0, 0};
    if (!graphs::readCaptureRegister(*m_pDrive, trigger::kStateRegister, word, status)) {
        m_pDrive->messages().show("TriggerData Read Error");
        return trigger::kResultFailure;
    }
    // The second byte of the reply is the state's low byte.
    if (word[1] != trigger::kStateComplete)
        return trigger::kResultSuccess;

    const int failed = graphs::readCaptureChannels(*m_pDrive, received, trigger::blockAddress, status);
    if (failed >= 0) {
        m_pDrive->messages().show("channel" + std::to_string(failed + 1) + " Read Error");
        return trigger::kResultFailure;
    }
    if (!graphs::readCaptureRegister(*m_pDrive, trigger::kStartRegister, word, status)) {
        m_pDrive->messages().show("StartPosition Read Error");
        return trigger::kResultFailure;
    }
    start = static_cast<unsigned>((word[0] << 8) | word[1]);
    state = trigger::kStateComplete;
    return trigger::kResultSuccess;
}

} // namespace tarvex
