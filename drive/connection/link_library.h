// The drive link library bound by name at run time. Each of its functions is
// reached through a slot; a slot that could not be resolved is never called:
// the call then does nothing and reports what the library itself reports
// without an instance (0, status "nothing attempted").
#pragma once

#include "drive/connection/shared_library.h"
#include "vq_communication.h"

#include <string>

namespace tarvex {

class LinkLibrary {
public:
    enum class Binding { Bound, NotLoaded, MissingFunctions };

    // Loads the library and resolves the thirteen functions in their fixed
    // order, plus the optional ones (CommInitDevice, CommLastOpenError,
    // CommSetExchangeProfile, the statistics and the frame log); a library
    // without them still binds.
    Binding bind(const std::string &path);
    void unload();
    bool isLoaded() const { return library_.isLoaded(); }

    std::int32_t Create() const { return create_ ? create_() : 0; }
    std::int32_t Destroy() const { return destroy_ ? destroy_() : 0; }
    std::int32_t Init(std::int32_t node, std::uint32_t port, std::uint32_t baud,
                      VQEventHandle event) const
    {
        return init_ ? init_(node, port, baud, event) : 0;
    }
    bool hasInitDevice() const { return initDevice_ != nullptr; }
    std::int32_t InitDevice(std::int32_t node, const std::string &device, std::uint32_t baud,
                            VQEventHandle event) const
    {
        return initDevice_ ? initDevice_(node, device.c_str(), baud, event) : 0;
    }
    std::int32_t Connect(VQEventHandle event) const { return connect_ ? connect_(event) : 0; }
    std::int32_t DisConnect() const { return disconnect_ ? disconnect_() : 0; }
    std::int32_t IsConnect() const { return isConnect_ ? isConnect_() : 0; }
    std::int32_t RdSgRegister(std::uint16_t address, std::uint8_t *destination,
                              std::uint8_t *status, std::int32_t attemptMode) const;
    std::int32_t RdMtRegister(std::uint16_t address, std::int32_t count,
                              std::uint8_t *destination, std::uint8_t *status) const;
    std::int32_t RdTraceData(std::int32_t blocks, std::uint8_t *destination, std::uint8_t *status,
                             std::uint8_t mode) const;
    std::int32_t RdEachRegister(const ScatteredRequest &request, std::uint8_t *destination,
                                std::uint8_t *status) const;
    std::int32_t WrSgRegister(std::uint16_t address, std::int32_t value,
                              std::uint8_t *status) const;
    std::int32_t WrMtRegister(std::uint16_t address, std::int32_t count,
                              const std::uint16_t *source, std::uint8_t *status) const;
    std::int32_t ExchangeBoot() const { return exchangeBoot_ ? exchangeBoot_() : 0; }
    // errno of the last failed port open, 0 when unknown.
    std::int32_t LastOpenError() const { return lastOpenError_ ? lastOpenError_() : 0; }
    // False when the library has no profiles (it then keeps its specified
    // timing) or refuses this one.
    bool SetExchangeProfile(std::int32_t profile) const
    {
        return setExchangeProfile_ && setExchangeProfile_(profile) == 1;
    }

    // The link's statistics; false when the library keeps none.
    bool hasStatistics() const { return getStatistics_ != nullptr; }
    bool Statistics(VQLinkStatistics &out) const;
    void ResetStatistics() const
    {
        if (resetStatistics_)
            resetStatistics_();
    }
    bool hasFrameLog() const { return readFrameLog_ != nullptr; }
    // Entries after `after`, oldest first; 0 without a frame log.
    std::int32_t ReadFrameLog(std::uint64_t after, VQFrameLogEntry *entries, std::int32_t capacity) const
    {
        return readFrameLog_ ? readFrameLog_(after, entries, capacity) : 0;
    }

private:
    void clearSlots();

    SharedLibrary library_;
    CommCreateFn create_ = nullptr;
    CommDestroyFn destroy_ = nullptr;
    CommInitFn init_ = nullptr;
    CommConnectFn connect_ = nullptr;
    CommDisConnectFn disconnect_ = nullptr;
    CommIsConnectFn isConnect_ = nullptr;
    CommRdSgRegisterFn rdSgRegister_ = nullptr;
    CommRdMtRegisterFn rdMtRegister_ = nullptr;
    CommRdTraceDataFn rdTraceData_ = nullptr;
    CommRdEachRegisterFn rdEachRegister_ = nullptr;
    CommWrSgRegisterFn wrSgRegister_ = nullptr;
    CommWrMtRegisterFn wrMtRegister_ = nullptr;
    CommExchangeBootFn exchangeBoot_ = nullptr;
    CommInitDeviceFn initDevice_ = nullptr;
    CommLastOpenErrorFn lastOpenError_ = nullptr;
    CommSetExchangeProfileFn setExchangeProfile_ = nullptr;
    CommGetStatisticsFn getStatistics_ = nullptr;
    CommResetStatisticsFn resetStatistics_ = nullptr;
    CommReadFrameLogFn readFrameLog_ = nullptr;
};

} // namespace tarvex
