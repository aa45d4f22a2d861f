#include "drive/connection/link_library.h"

namespace tarvex {

namespace {

// What the library leaves in the status byte when it attempted nothing.
std::int32_t nothingAttempted(std::uint8_t *status)
{
    if (status)
        *status = VQ_STATUS_NOT_ATTEMPTED;
    return 0;
}

} // namespace

LinkLibrary::Binding LinkLibrary::bind(const std::string &path)
{
    unload();
    if (!library_.load(path))
        return Binding::NotLoaded;
    create_ = library_.function<CommCreateFn>("CommCreate");
    destroy_ = library_.function<CommDestroyFn>("CommDestroy");
    init_ = library_.function<CommInitFn>("CommInit");
    connect_ = library_.function<CommConnectFn>("CommConnect");
    disconnect_ = library_.function<CommDisConnectFn>("CommDisConnect");
    isConnect_ = library_.function<CommIsConnectFn>("CommIsConnect");
    rdSgRegister_ = library_.function<CommRdSgRegisterFn>("CommRdSgRegister");
    rdMtRegister_ = library_.function<CommRdMtRegisterFn>("CommRdMtRegister");
    rdTraceData_ = library_.function<CommRdTraceDataFn>("CommRdTraceData");
    rdEachRegister_ = library_.function<CommRdEachRegisterFn>("CommRdEachRegister");
    wrSgRegister_ = library_.function<CommWrSgRegisterFn>("CommWrSgRegister");
    wrMtRegister_ = library_.function<CommWrMtRegisterFn>("CommWrMtRegister");
    exchangeBoot_ = library_.function<CommExchangeBootFn>("CommExchangeBoot");
    initDevice_ = library_.function<CommInitDeviceFn>("CommInitDevice");
    lastOpenError_ = library_.function<CommLastOpenErrorFn>("CommLastOpenError");
    setExchangeProfile_ = library_.function<CommSetExchangeProfileFn>("CommSetExchangeProfile");
    getStatistics_ = library_.function<CommGetStatisticsFn>("CommGetStatistics");
    resetStatistics_ = library_.function<CommResetStatisticsFn>("CommResetStatistics");
    readFrameLog_ = library_.function<CommReadFrameLogFn>("CommReadFrameLog");

    const bool complete = create_ && destroy_ && init_ && connect_ && disconnect_ && isConnect_ &&
                          rdSgRegister_ && rdMtRegister_ && rdTraceData_ && rdEachRegister_ &&
                          wrSgRegister_ && wrMtRegister_ && exchangeBoot_;
    return complete ? Binding::Bound : Binding::MissingFunctions;
}

void LinkLibrary::unload()
{
    clearSlots();
    library_.unload();
}

void LinkLibrary::clearSlots()
{
    create_ = nullptr;
    destroy_ = nullptr;
    init_ = nullptr;
    connect_ = nullptr;
    disconnect_ = nullptr;
    isConnect_ = nullptr;
    rdSgRegister_ = nullptr;
    rdMtRegister_ = nullptr;
    rdTraceData_ = nullptr;
    rdEachRegister_ = nullptr;
    wrSgRegister_ = nullptr;
    wrMtRegister_ = nullptr;
    exchangeBoot_ = nullptr;
    initDevice_ = nullptr;
    lastOpenError_ = nullptr;
    setExchangeProfile_ = nullptr;
    getStatistics_ = nullptr;
    resetStatistics_ = nullptr;
    readFrameLog_ = nullptr;
}

bool LinkLibrary::Statistics(VQLinkStatistics &out) const
{
    out = {};
    out.size = sizeof out;
    return getStatistics_ && getStatistics_(&out) == 1;
}

std::int32_t LinkLibrary::RdSgRegister(std::uint16_t address, std::uint8_t *destination,
                                       std::uint8_t *status, std::int32_t attemptMode) const
{
    return rdSgRegister_ ? rdSgRegister_(address, destination, status, attemptMode)
                         : nothingAttempted(status);
}

std::int32_t LinkLibrary::RdMtRegister(std::uint16_t address, std::int32_t count,
                                       std::uint8_t *destination, std::uint8_t *status) const
{
    return rdMtRegister_ ? rdMtRegister_(address, count, destination, status)
                         : nothingAttempted(status);
}

std::int32_t LinkLibrary::RdTraceData(std::int32_t blocks, std::uint8_t *destination,
                                      std::uint8_t *status, std::uint8_t mode) const
{
    return rdTraceData_ ? rdTraceData_(blocks, destination, status, mode)
                        : nothingAttempted(status);
}

std::int32_t LinkLibrary::RdEachRegister(const ScatteredRequest &request,
                                         std::uint8_t *destination, std::uint8_t *status) const
{
    return rdEachRegister_ ? rdEachRegister_(request, destination, status)
                           : nothingAttempted(status);
}

std::int32_t LinkLibrary::WrSgRegister(std::uint16_t address, std::int32_t value,
                                       std::uint8_t *status) const
{
    return wrSgRegister_ ? wrSgRegister_(address, value, status) : nothingAttempted(status);
}

std::int32_t LinkLibrary::WrMtRegister(std::uint16_t address, std::int32_t count,
                                       const std::uint16_t *source, std::uint8_t *status) const
{
    return wrMtRegister_ ? wrMtRegister_(address, count, source, status)
                         : nothingAttempted(status);
}

} // namespace tarvex
