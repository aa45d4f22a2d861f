#include "drive/parameters/parameter_service.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tarvex {

namespace {

using namespace parameter_result;
using parameters::kGroupCount;
using parameters::kGroupTexts;

// The drive takes a moment between the last single request and a block write.
constexpr std::chrono::milliseconds kBlockWriteSettle{30};

std::uint16_t wireWord(const std::uint8_t *bytes)
{
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

} // namespace

void CParameter::reportFailure(const std::string &text, const std::string &detail) const
{
    if (MessageService *service = messages())
        service->show(text, detail);
}

bool CParameter::runLink(const std::function<void()> &call, bool cancellable) const
{
    if (cancellable && stopRequested())
        return false;
    if (exchange_)
        exchange_();
    if (runner_)
        runner_(call);
    else
        call();
    return true;
}

void CParameter::reportProgress(Transfer transfer, int group) const
{
    if (progress_)
        progress_(transfer, group);
}

// --- layout ------------------------------------------------------------------

void CParameter::setGroupLayout(int group, std::uint16_t firstAddress, int registerCount)
{
    if (!parameters::isValidGroup(group))
        return;
    const bool fits = registerCount >= 1 && registerCount <= parameters::kMaxGroupRegisters;
    m_firstAddress[static_cast<std::size_t>(group)] = firstAddress;
    m_registerCount[static_cast<std::size_t>(group)] = fits ? registerCount : 0;
}

void CParameter::clearLayout()
{
    m_firstAddress.fill(0);
    m_registerCount.fill(0);
    for (auto &words : m_image)
        words.fill(0);
}

int CParameter::registerCount(int group) const
{
    return parameters::isValidGroup(group) ? m_registerCount[static_cast<std::size_t>(group)] : 0;
}

std::uint16_t CParameter::firstAddress(int group) const
{
    return parameters::isValidGroup(group)
               ? static_cast<std::uint16_t>(m_firstAddress[static_cast<std::size_t>(group)] & 0xFFFF)
               : 0;
}

bool CParameter::factoryGroupShown() const
{
    return m_pDrive && m_pDrive->factoryGroupSwitch.load() == 0;
}

const std::array<std::uint16_t, CParameter::kImageWords> &CParameter::image(int group) const
{
    return m_image[static_cast<std::size_t>(std::clamp(group, 0, kGroupCount - 1))];
}

std::array<std::uint16_t, CParameter::kImageWords> &CParameter::staging(int group)
{
    return m_staging[static_cast<std::size_t>(std::clamp(group, 1, kStagingGroups) - 1)];
}

void CParameter::clearStaging()
{
    for (auto &words : m_staging)
        words.fill(0);
}

// --- the four register operations ----------------------------------------------

std::uint16_t CParameter::ReadAllGroups(std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    m_groupsRead.clear();
    if (!m_pDrive)
        return kReported;
    for (int group : parameters::readOrder(factoryGroupShown())) {
        if (!isGroupReady(group))
            continue;
        reportProgress(Transfer::Reading, group);
        const int count = registerCount(group);
        std::uint8_t buffer[256] = {};
        std::int32_t stored = 0;
        if (!runLink([&] {
                BusyScope busy(m_pDrive->generalBusy);
                stored = m_pDrive->link().RdMtRegister(firstAddress(group), count & 0xFF, buffer, &status);
            }))
            return kCancelled;
        // A reply that carries fewer words than asked for is no image of the group.
        if (status != VQ_STATUS_OK || stored != 2 * count) {
            if (status == VQ_STATUS_OK)
                status = VQ_STATUS_FAILED_READ;
            reportFailure(kGroupTexts[static_cast<std::size_t>(group)].readError);
            return kReported;
        }
        auto &words = m_image[static_cast<std::size_t>(group)];
        for (int i = 0; i < count; ++i)
            words[static_cast<std::size_t>(i)] = wireWord(buffer + 2 * i);
        m_groupsRead.push_back(group);
    }
    return kSuccess;
}

std::uint16_t CParameter::WriteGroup(const std::uint16_t *staging, int group, std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive || !staging || group < 1 || group >= kGroupCount || !isGroupReady(group))
        return kSuccess;
    reportProgress(Transfer::Writing, group);
    if (!runLink([&] {
            std::this_thread::sleep_for(kBlockWriteSettle);
            BusyScope busy(m_pDrive->generalBusy);
            m_pDrive->link().WrMtRegister(firstAddress(group), registerCount(group), staging, &status);
        }))
        return kCancelled;
    if (status == VQ_STATUS_OK)
        return kSuccess;
    if (status == 6)
        return kException6;
    reportFailure(kGroupTexts[static_cast<std::size_t>(group)].writeError);
    return kReported;
}

std::uint16_t CParameter::ReadEach(const std::vector<std::uint16_t> &addresses, std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive)
        return kReported;
    m_scatterResults.assign(addresses.size(), 0);
    std::uint16_t result = kSuccess;
    for (std::size_t from = 0; from < addresses.size(); from += parameters::kMaxScatteredRegisters) {
        const std::size_t n = std::min<std::size_t>(parameters::kMaxScatteredRegisters, addresses.size() - from);
        m_scatter = ScatteredRequest{};
        m_scatter.byteCount = static_cast<std::uint8_t>(2 * n);
        std::copy_n(addresses.begin() + static_cast<std::ptrdiff_t>(from), n, m_scatter.addresses);
        std::uint8_t buffer[256] = {};
        std::int32_t stored = 0;
        if (!runLink([&] {
                BusyScope busy(m_pDrive->generalBusy);
                stored = m_pDrive->link().RdEachRegister(m_scatter, buffer, &status);
            }))
            return kCancelled;
        if (status == 6) {
            result = kException6;
            continue;
        }
        if (status != VQ_STATUS_OK) {
            reportFailure("Each Read Error");
            return kReported;
        }
        // Only the words the reply carried are taken, never more than asked for.
        const std::size_t words = std::min<std::size_t>(n, static_cast<std::size_t>(std::max(stored, 0)) / 2);
        for (std::size_t i = 0; i < words; ++i)
            m_scatterResults[from + i] = wireWord(buffer + 2 * i);
    }
    return result;
}

std::uint16_t CParameter::WriteParameter(std::uint16_t address, std::uint16_t value, std::uint8_t &status,
                                         bool cancellable)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive)
        return kReported;
    if (!runLink([&] {
            BusyScope busy(m_pDrive->generalBusy);
            m_pDrive->link().WrSgRegister(address, value, &status);
        }, cancellable))
        return kCancelled;
    if (status == VQ_STATUS_OK)
        return kSuccess;
    if (status == 6)
        return kException6;
    reportFailure("Parameter Write Error");
    return kReported;
}

// --- single registers -------------------------------------------------------------

std::optional<std::uint16_t> CParameter::readSingle(std::uint16_t address, std::uint8_t &status)
{
    status = VQ_STATUS_NOT_ATTEMPTED;
    if (!m_pDrive)
        return std::nullopt;
    std::uint8_t bytes[2] = {0, 0};
    std::int32_t stored = 0;
    if (!runLink([&] {
            BusyScope busy(m_pDrive->generalBusy);
            stored = m_pDrive->link().RdSgRegister(address, bytes, &status, 1);
        }))
        return std::nullopt;
    if (status != VQ_STATUS_OK || stored < 2)
        return std::nullopt;
    return wireWord(bytes);
}

std::optional<std::uint16_t> CParameter::ReadVersionRegister(std::uint8_t *statusOut)
{
    std::uint8_t status = 0;
    const std::optional<std::uint16_t> version = readSingle(parameter_register::kDriveVersion, status);
    if (statusOut)
        *statusOut = status;
    return version;
}

CParameter::ServoState CParameter::ReadServoState()
{
    std::uint8_t status = 0;
    const std::optional<std::uint16_t> state = readSingle(parameter_register::kDriveState, status);
    if (!state)
        return ServoState::Unknown;
    return (*state & 0x0002) != 0 ? ServoState::On : ServoState::Off;
}

std::uint16_t CParameter::WriteParameterLock(bool lock)
{
    if (!m_pDrive)
        return kReported;
    std::uint8_t status = VQ_STATUS_NOT_ATTEMPTED;
    if (!runLink([&] {
            BusyScope busy(m_pDrive->generalBusy);
            m_pDrive->link().WrSgRegister(parameter_register::kParameterLock,
                                          lock ? parameter_register::kLock : parameter_register::kUnlock,
                                          &status);
        }))
        return kCancelled;
    if (status != VQ_STATUS_OK) {
        reportFailure("Jog Speed Write Error");
        return kReported;
    }
    if (MessageService *service = messages())
        service->showInformation(lock ? "Parameter Lock Success!" : "Parameter UnLock Success!");
    return kSuccess;
}

} // namespace tarvex
