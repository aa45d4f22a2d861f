// The parameter catalogue library bound by name at run time. As with the
// link library, an unresolved function is never called: the call answers
// what the library answers without a context (false or 0).
#pragma once

#include "drive/connection/shared_library.h"
#include "vq_database.h"

#include <string>

namespace tarvex {

class DatabaseLibrary {
public:
    enum class Binding { Bound, NotLoaded, MissingFunctions };

    // Clears the nine slots, loads the library and resolves them in their
    // fixed order, plus the optional message callback registration.
    Binding bind(const std::string &path);
    void unload();
    bool isLoaded() const { return library_.isLoaded(); }

    bool Create() const { return create_ && create_(); }
    bool Destroy() const { return destroy_ && destroy_(); }
    bool canOpenFiles() const { return fileOpen_ != nullptr; }
    bool FileOpen(const CatalogueText &path) const { return fileOpen_ && fileOpen_(path); }
    int GetPrmCntInGrp(int group) const { return prmCntInGrp_ ? prmCntInGrp_(group) : 0; }
    int GetAllParamCnt() const { return allParamCnt_ ? allParamCnt_() : 0; }
    int GetFrPrmAddrInGrp(int group) const
    {
        return frPrmAddrInGrp_ ? frPrmAddrInGrp_(group) : 0;
    }
    // The library fills `capacity` records at most; a capacity below 1 is
    // refused here because the library's loop would fill one regardless.
    bool GetParamAttr(int group, ParameterAttribute *records, int capacity) const
    {
        return paramAttr_ && records && capacity > 0 && paramAttr_(group, records, capacity);
    }
    int GetPrvServoCnt() const { return prvServoCnt_ ? prvServoCnt_() : 0; }
    bool GetAllServoAttr(ServoAttribute *records, int capacity) const
    {
        return allServoAttr_ && records && capacity > 0 && allServoAttr_(records, capacity);
    }
    // Routes the library's own error texts to `callback`; does nothing when
    // the library has no such export.
    void SetMessageCallback(DbMessageCallback callback, void *context) const
    {
        if (setMessageCallback_)
            setMessageCallback_(callback, context);
    }

private:
    void clearSlots();

    SharedLibrary library_;
    DB_CreateFn create_ = nullptr;
    DB_DestroyFn destroy_ = nullptr;
    DB_FileOpenFn fileOpen_ = nullptr;
    DB_GetPrmCntInGrpFn prmCntInGrp_ = nullptr;
    DB_GetAllParamCntFn allParamCnt_ = nullptr;
    DB_GetFrPrmAddrInGrpFn frPrmAddrInGrp_ = nullptr;
    DB_GetParamAttrFn paramAttr_ = nullptr;
    DB_GetPrvServoCntFn prvServoCnt_ = nullptr;
    DB_GetAllServoAttrFn allServoAttr_ = nullptr;
    DB_SetMessageCallbackFn setMessageCallback_ = nullptr;
};

} // namespace tarvex
