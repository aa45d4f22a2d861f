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

// Every function first checks the library context (DB_Create) and answers
// false or 0 without it; every query then checks that a catalogue is open
// and answers false or 0, silently, when none is. A query that fails in the
// engine reports one text through the message callback and answers false
// or 0. Call them from one thread only (the user-interface thread).
extern "C" {
// False when a context already exists.
VQ_DB_EXPORT bool DB_Create();
// False without a context; otherwise closes any catalogue and frees it.
VQ_DB_EXPORT bool DB_Destroy();
// Opens the catalogue file read-only (an SQLite file, whatever its name).
// False without a context, or when no connection can be made at all. A
// missing, empty, foreign or damaged file, or one without the catalogue
// tables, is reported with two texts (the engine's general text, then the
// detail) and leaves the catalogue closed, yet answers true. Opening again
// replaces the catalogue; it stays closed if the new file is unusable.
VQ_DB_EXPORT bool DB_FileOpen(CatalogueText path);
// Parameters of the group whose Param_Num is not "-".
VQ_DB_EXPORT int DB_GetPrmCntInGrp(int group);
// Param_Address (0..65535) of the group's first row by Param_ID; an empty
// group is reported as an error and gives 0.
VQ_DB_EXPORT int DB_GetFrPrmAddrInGrp(int group);
// Parameters of the whole catalogue whose Param_Num is not "-".
VQ_DB_EXPORT int DB_GetAllParamCnt();
// Fills records[0..capacity-1] with the group's rows in Param_ID order (not
// filtered on Param_Num); records past the group's last row are left as
// they were. A null array or a capacity below 1 gives false and writes
// nothing.
VQ_DB_EXPORT bool DB_GetParamAttr(int group, ParameterAttribute *records, int capacity);
// Rows of Provided_Servo.
VQ_DB_EXPORT int DB_GetPrvServoCnt();
// As DB_GetParamAttr, over Provided_Servo in Servo_ID order.
VQ_DB_EXPORT bool DB_GetAllServoAttr(ServoAttribute *records, int capacity);
// Routes the library's texts to `callback` (null: back to standard error).
// Works with or without a context; the setting outlives DB_Destroy.
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
