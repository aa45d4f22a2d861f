#include "drive/connection/database_library.h"

namespace tarvex {

DatabaseLibrary::Binding DatabaseLibrary::bind(const std::string &path)
{
    unload();
    if (!library_.load(path))
        return Binding::NotLoaded;
    create_ = library_.function<DB_CreateFn>("DB_Create");
    destroy_ = library_.function<DB_DestroyFn>("DB_Destroy");
    fileOpen_ = library_.function<DB_FileOpenFn>("DB_FileOpen");
    prmCntInGrp_ = library_.function<DB_GetPrmCntInGrpFn>("DB_GetPrmCntInGrp");
    allParamCnt_ = library_.function<DB_GetAllParamCntFn>("DB_GetAllParamCnt");
    frPrmAddrInGrp_ = library_.function<DB_GetFrPrmAddrInGrpFn>("DB_GetFrPrmAddrInGrp");
    paramAttr_ = library_.function<DB_GetParamAttrFn>("DB_GetParamAttr");
    prvServoCnt_ = library_.function<DB_GetPrvServoCntFn>("DB_GetPrvServoCnt");
    allServoAttr_ = library_.function<DB_GetAllServoAttrFn>("DB_GetAllServoAttr");
    setMessageCallback_ = library_.function<DB_SetMessageCallbackFn>("DB_SetMessageCallback");

    const bool complete = create_ && destroy_ && fileOpen_ && prmCntInGrp_ && allParamCnt_ &&
                          frPrmAddrInGrp_ && paramAttr_ && prvServoCnt_ && allServoAttr_;
    return complete ? Binding::Bound : Binding::MissingFunctions;
}

void DatabaseLibrary::unload()
{
    clearSlots();
    library_.unload();
}

void DatabaseLibrary::clearSlots()
{
    create_ = nullptr;
    destroy_ = nullptr;
    fileOpen_ = nullptr;
    prmCntInGrp_ = nullptr;
    allParamCnt_ = nullptr;
    frPrmAddrInGrp_ = nullptr;
    paramAttr_ = nullptr;
    prvServoCnt_ = nullptr;
    allServoAttr_ = nullptr;
    setMessageCallback_ = nullptr;
}

} // namespace tarvex
