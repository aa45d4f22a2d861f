// Public interface of the parameter catalogue library VQ_DatabaseManager.so.
//
// The catalogue lists every drive parameter with its group, number, name,
// default, unit, limits, register address, data type, register width and
// change condition, plus the drive models provided. The library keeps one
// process-wide connection; the main program binds the functions by name at
// run time (dlsym), so they are exported with C linkage.
//
// Text fields are UTF-16 strings (the Korean edition must survive intact);
// the caller owns the record arrays and the library only assigns fields.
#pragma once

#include <cstdint>
#include <string>

#if defined(__GNUC__)
#define VQ_DB_EXPORT __attribute__((visibility("default")))
#else
#define VQ_DB_EXPORT
#endif

// The one text type shared by the library and the main program.
using CatalogueText = std::u16string;

struct ParameterAttribute {
    std::int16_t Param_ID = 0;
    CatalogueText Param_Num;        // display number ("object number"); "-" rows are not counted
    CatalogueText Servo_ID;         // shown as "SubIndex"
    std::int16_t Param_Group_ID = 0;
    CatalogueText Param_Group_Name;
    CatalogueText Param_Name;
    CatalogueText Param_Value;      // factory default, as text
    CatalogueText Param_Unit;
    CatalogueText Param_Max_Value;
    CatalogueText Param_Min_Value;
    std::uint16_t Param_Address = 0; // register address
    std::uint8_t Param_DataType = 0; // 0 bits, 1 hex, 2 signed, 8 scaled status, else unsigned
    std::uint8_t Param_Bit_Type = 0; // registers per value (2 = 32-bit, low word first)
    std::uint8_t Param_Change = 0;   // 0 at once, 1 after power cycle, 2 servo off only
};

struct ServoAttribute {
    CatalogueText Servo_ID;
    CatalogueText Servo_Name;
    std::int16_t Param_Group_Cnt = 0;
};

// Receives the library's error texts (system message text, then the
// provider's description) instead of standard error.
using DbMessageCallback = void (*)(const char16_t *text, void *context);

extern "C" {
VQ_DB_EXPORT bool DB_Create();
VQ_DB_EXPORT bool DB_Destroy();
VQ_DB_EXPORT bool DB_FileOpen(CatalogueText path);
VQ_DB_EXPORT int DB_GetPrmCntInGrp(int group);
VQ_DB_EXPORT int DB_GetFrPrmAddrInGrp(int group);
VQ_DB_EXPORT int DB_GetAllParamCnt();
VQ_DB_EXPORT bool DB_GetParamAttr(int group, ParameterAttribute *records, int capacity);
VQ_DB_EXPORT int DB_GetPrvServoCnt();
VQ_DB_EXPORT bool DB_GetAllServoAttr(ServoAttribute *records, int capacity);
VQ_DB_EXPORT void DB_SetMessageCallback(DbMessageCallback callback, void *context);
}

// Function pointer types for binding by name.
using DB_CreateFn = bool (*)();
using DB_DestroyFn = bool (*)();
using DB_FileOpenFn = bool (*)(CatalogueText);
using DB_GetPrmCntInGrpFn = int (*)(int);
using DB_GetFrPrmAddrInGrpFn = int (*)(int);
using DB_GetAllParamCntFn = int (*)();
using DB_GetParamAttrFn = bool (*)(int, ParameterAttribute *, int);
using DB_GetPrvServoCntFn = int (*)();
using DB_GetAllServoAttrFn = bool (*)(ServoAttribute *, int);
using DB_SetMessageCallbackFn = void (*)(DbMessageCallback, void *);
