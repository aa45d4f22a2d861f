#include "drive/alarms/alarm_history.h"

#include "drive/connection/drive_connection.h"

#include <array>
#include <thread>

namespace tarvex {

bool CAlarmHistory::runLink(const char *step, const std::function<void()> &call) const
{
    if (m_work) {
        if (m_work->cancelRequested())
            return false;
        m_work->beginStep(step);
    }
    if (m_runner)
        m_runner(call);
    else
        call();
    return true;
}

std::uint16_t CAlarmHistory::UploadHistory(std::uint8_t &status, alarms::AlarmHistory &codes)
{
    codes.fill(0);
    status = 1;
    if (!m_pDrive)
        return alarms::kResultFailure;
    const LinkLibrary &link = m_pDrive->link();

    if (!runLink("Latching the alarm history ...", [&] {
            BusyScope busy(m_pDrive->generalBusy);
            link.WrSgRegister(alarms::kAlarmCommandRegister, alarms::kCommandLatchHistory, &status);
        }))
        return alarms::kResultCancelled;
    if (status != 0) {
        m_pDrive->messages().show("Alarm Upload Write Error");
        return alarms::kResultFailure;
    }

    std::array<std::uint8_t, 2 * alarms::kHistoryRegisters> block{};
    if (!runLink("Reading the alarm history ...", [&] {
            std::this_thread::sleep_for(alarms::kLatchSettle);
            BusyScope busy(m_pDrive->generalBusy);
            link.RdMtRegister(alarms::kAlarmHistoryRegister, alarms::kHistoryRegisters, block.data(),
                              &status);
        }))
        return alarms::kResultCancelled;
    if (status != 0) {
        m_pDrive->messages().show("Alarm Data  Read Error");
        return alarms::kResultFailure;
    }
    codes = alarms::decodeHistory(block.data(), block.size());
    return alarms::kResultSuccess;
}

std::uint16_t CAlarmHistory::ClearHistory(std::uint8_t &status)
{
    status = 1;
    if (!m_pDrive)
        return alarms::kResultFailure;
    if (!runLink("Clearing the alarm history ...", [&] {
            BusyScope busy(m_pDrive->generalBusy);
            m_pDrive->link().WrSgRegister(alarms::kAlarmCommandRegister, alarms::kCommandClearHistory,
                                          &status);
        }))
        return alarms::kResultCancelled;
    return status == 0 ? alarms::kResultSuccess : alarms::kResultFailure;
}

} // namespace tarvex
