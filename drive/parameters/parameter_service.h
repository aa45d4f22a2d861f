// The parameter service: the register operations of the parameter window
// and the register images they fill. It holds the drive connection (not
// owned) and reaches the drive only through its bound link functions, with
// the general busy indicator raised around every call.
//
// Results of the operations: 2 success, 6 the drive answered exception 6
// (never shown), 8 a failure already shown to the user. Each operation also
// hands back the link status byte of its last call.
//
// Free of widgets. The window hands in a link runner so that each link call
// runs while its own event loop keeps painting; without one the calls run
// on the caller's thread.
#pragma once

#include "drive/connection/drive_connection.h"
#include "drive/connection/drive_work.h"
#include "drive/parameters/parameter_groups.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tarvex {

namespace parameter_result {
inline constexpr std::uint16_t kSuccess = 2;
inline constexpr std::uint16_t kException6 = 6;
inline constexpr std::uint16_t kReported = 8;
inline constexpr std::uint16_t kCancelled = 10; // the user cancelled before this exchange; nothing shown
} // namespace parameter_result

namespace parameter_register {
inline constexpr std::uint16_t kDriveState = 0;    // bit 1 of the low byte: servo on
inline constexpr std::uint16_t kDriveVersion = 62; // variant, version x 100, sub-version
inline constexpr std::uint16_t kParameterLock = 442;
inline constexpr std::int32_t kLock = 2;
inline constexpr std::int32_t kUnlock = 1;
} // namespace parameter_register

class CParameter {
public:
    static constexpr int kImageWords = 221;
    static constexpr int kStagingGroups = 7; // groups 1 to 7

    enum class Transfer { Reading, Writing };
    enum class ServoState { Off, On, Unknown };

    using LinkRunner = std::function<void(const std::function<void()> &call)>;
    using ProgressListener = std::function<void(Transfer, int group)>;
    using ExchangeListener = std::function<void()>;

    CParameter() = default;
    explicit CParameter(DriveConnection *drive) : m_pDrive(drive) {}
    virtual ~CParameter() = default;
    CParameter(const CParameter &) = delete;
    CParameter &operator=(const CParameter &) = delete;

    void setDrive(DriveConnection *drive) { m_pDrive = drive; }
    DriveConnection *drive() const { return m_pDrive; }
    void setLinkRunner(LinkRunner runner) { runner_ = std::move(runner); }
    const LinkRunner &linkRunner() const { return runner_; }
    // Long work the user may cancel: once it asks to stop, no further link
    // call starts and the operations return kCancelled.
    void setDriveWork(const DriveWork *work) { work_ = work; }
    bool stopRequested() const { return work_ && work_->cancelRequested(); }
    // Told before each link call, on the calling thread.
    void setExchangeListener(ExchangeListener listener) { exchange_ = std::move(listener); }
    // Told before each group's block exchange, on the calling thread.
    void setProgressListener(ProgressListener listener) { progress_ = std::move(listener); }
    void reportProgress(Transfer transfer, int group) const;

    // --- the model's layout -------------------------------------------
    // A group takes part in the block exchanges once its layout is set; a
    // register count outside 1..124 leaves it out.
    void setGroupLayout(int group, std::uint16_t firstAddress, int registerCount);
    void clearLayout();
    bool isGroupReady(int group) const { return registerCount(group) > 0; }
    int registerCount(int group) const;
    std::uint16_t firstAddress(int group) const;
    bool factoryGroupShown() const;

    // The group's register image as last read, host-order words.
    const std::array<std::uint16_t, kImageWords> &image(int group) const;
    // The write staging area of a settings group (1 to 7).
    std::array<std::uint16_t, kImageWords> &staging(int group);
    void clearStaging();
    // Words fetched by the last ReadEach, in the order of its addresses.
    const std::vector<std::uint16_t> &scatteredResults() const { return m_scatterResults; }

    // --- the four register operations ---------------------------------
    // Reads every ready group in the order 0 to 7 (6 only when shown) into
    // its image; the first failing group ends it with its message.
    std::uint16_t ReadAllGroups(std::uint8_t &status);
    // The groups the last ReadAllGroups stored, in order.
    const std::vector<int> &groupsRead() const { return m_groupsRead; }
    // Writes the group's whole block from `staging` after the drive's 30 ms
    // settling pause; group 0 and unready groups are not written.
    std::uint16_t WriteGroup(const std::uint16_t *staging, int group, std::uint8_t &status);
    // One scattered read per 126 addresses; the results follow the addresses.
    std::uint16_t ReadEach(const std::vector<std::uint16_t> &addresses, std::uint8_t &status);
    // `cancellable` false: the write goes out even after Cancel (the second
    // half of a 32-bit value, which must not be left torn).
    std::uint16_t WriteParameter(std::uint16_t address, std::uint16_t value, std::uint8_t &status,
                                 bool cancellable = true);

    // --- single registers -------------------------------------------------
    // Register 62, or nothing when the drive did not answer.
    // `status`, when given, receives the link's status byte of the read.
    std::optional<std::uint16_t> ReadVersionRegister(std::uint8_t *status = nullptr);
    // Register 0: whether the servo is on. Unknown when the read failed, so
    // that nothing is taken for "servo off" without the drive saying so.
    ServoState ReadServoState();
    // Writes 2 (lock) or 1 (unlock) to register 442, with the messages of
    // the lock commands; 2 or 8.
    std::uint16_t WriteParameterLock(bool lock);

protected:
    MessageService *messages() const { return m_pDrive ? &m_pDrive->messages() : nullptr; }
    void reportFailure(const std::string &text, const std::string &detail = {}) const;

private:
    // False, without calling, once the user has asked the work to stop.
    bool runLink(const std::function<void()> &call, bool cancellable = true) const;
    std::optional<std::uint16_t> readSingle(std::uint16_t address, std::uint8_t &status);

    // 1. the drive connection (not owned)
    DriveConnection *m_pDrive = nullptr;
    // 2. the scattered-read request
    ScatteredRequest m_scatter{};
    // 3., 4. register count and first register address of each group
    std::array<std::int32_t, parameters::kGroupCount> m_registerCount{};
    std::array<std::int32_t, parameters::kGroupCount> m_firstAddress{};
    // 5. register image of each group
    std::array<std::array<std::uint16_t, kImageWords>, parameters::kGroupCount> m_image{};
    // 6. write staging areas of groups 1 to 7
    std::array<std::array<std::uint16_t, kImageWords>, kStagingGroups> m_staging{};
    // 7. scattered-read results
    std::vector<std::uint16_t> m_scatterResults;

    std::vector<int> m_groupsRead;

    LinkRunner runner_;
    ProgressListener progress_;
    ExchangeListener exchange_;
    const DriveWork *work_ = nullptr;
};

} // namespace tarvex
