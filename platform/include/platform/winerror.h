// Win32 error codes and HRESULT values, with the numbers Windows uses.
#pragma once

#include "platform/wintypes.h"

// Win32 error codes (GetLastError, registry results).
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_INVALID_FUNCTION 1L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_WRITE_FAULT 29L
#define ERROR_GEN_FAILURE 31L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_NOT_SUPPORTED 50L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_NOT_OWNER 288L
#define ERROR_OPERATION_ABORTED 995L
#define ERROR_IO_INCOMPLETE 996L
#define ERROR_IO_PENDING 997L
#define ERROR_BADDB 1009L
#define ERROR_BADKEY 1010L
#define ERROR_CANTOPEN 1011L
#define ERROR_CANTREAD 1012L
#define ERROR_CANTWRITE 1013L
#define ERROR_KEY_DELETED 1018L
#define ERROR_KEY_HAS_CHILDREN 1020L
#define ERROR_DEVICE_NOT_CONNECTED 1167L
#define ERROR_INTERNAL_ERROR 1359L
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#define ERROR_CLASS_HAS_WINDOWS 1412L
#define ERROR_INVALID_THREAD_ID 1444L
#define ERROR_TIMEOUT 1460L

// HRESULTs.
#define S_OK static_cast<HRESULT>(0)
#define S_FALSE static_cast<HRESULT>(1)
#define E_NOTIMPL static_cast<HRESULT>(0x80004001)
#define E_NOINTERFACE static_cast<HRESULT>(0x80004002)
#define E_POINTER static_cast<HRESULT>(0x80004003)
#define E_ABORT static_cast<HRESULT>(0x80004004)
#define E_FAIL static_cast<HRESULT>(0x80004005)
#define E_UNEXPECTED static_cast<HRESULT>(0x8000FFFF)
#define E_ACCESSDENIED static_cast<HRESULT>(0x80070005)
#define E_HANDLE static_cast<HRESULT>(0x80070006)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000E)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057)

#define DISP_E_UNKNOWNINTERFACE static_cast<HRESULT>(0x80020001)
#define DISP_E_MEMBERNOTFOUND static_cast<HRESULT>(0x80020003)
#define DISP_E_PARAMNOTFOUND static_cast<HRESULT>(0x80020004)
#define DISP_E_TYPEMISMATCH static_cast<HRESULT>(0x80020005)
#define DISP_E_UNKNOWNNAME static_cast<HRESULT>(0x80020006)
#define DISP_E_NONAMEDARGS static_cast<HRESULT>(0x80020007)
#define DISP_E_BADVARTYPE static_cast<HRESULT>(0x80020008)
#define DISP_E_EXCEPTION static_cast<HRESULT>(0x80020009)
#define DISP_E_OVERFLOW static_cast<HRESULT>(0x8002000A)
#define DISP_E_BADINDEX static_cast<HRESULT>(0x8002000B)
#define DISP_E_UNKNOWNLCID static_cast<HRESULT>(0x8002000C)
#define DISP_E_ARRAYISLOCKED static_cast<HRESULT>(0x8002000D)
#define DISP_E_BADPARAMCOUNT static_cast<HRESULT>(0x8002000E)
#define DISP_E_PARAMNOTOPTIONAL static_cast<HRESULT>(0x8002000F)

#define CLASS_E_NOAGGREGATION static_cast<HRESULT>(0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE static_cast<HRESULT>(0x80040111)
#define REGDB_E_READREGDB static_cast<HRESULT>(0x80040150)
#define REGDB_E_WRITEREGDB static_cast<HRESULT>(0x80040151)
#define REGDB_E_CLASSNOTREG static_cast<HRESULT>(0x80040154)
#define CONNECT_E_NOCONNECTION static_cast<HRESULT>(0x80040200)
#define CONNECT_E_ADVISELIMIT static_cast<HRESULT>(0x80040201)
#define CONNECT_E_CANNOTCONNECT static_cast<HRESULT>(0x80040202)
#define SELFREG_E_TYPELIB static_cast<HRESULT>(0x80040200)
#define SELFREG_E_CLASS static_cast<HRESULT>(0x80040201)
#define CO_E_NOTINITIALIZED static_cast<HRESULT>(0x800401F0)
#define CO_E_CLASSSTRING static_cast<HRESULT>(0x800401F3)
#define CO_E_DLLNOTFOUND static_cast<HRESULT>(0x800401F8)
#define CO_E_ERRORINDLL static_cast<HRESULT>(0x800401F9)

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define HRESULT_FROM_WIN32(x)                                                               \
    (static_cast<HRESULT>(x) <= 0                                                           \
         ? static_cast<HRESULT>(x)                                                          \
         : static_cast<HRESULT>((static_cast<uint32_t>(x) & 0x0000FFFF) | (7u << 16) | \
                                0x80000000u))
