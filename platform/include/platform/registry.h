// Registry subset: HKEY_LOCAL_MACHINE kept in one file in the Windows registry export format,
// HKEY_CLASSES_ROOT as the view of HKEY_LOCAL_MACHINE\SOFTWARE\Classes. Results, buffer rules
// and name matching follow Windows.
#pragma once

#include "platform/winerror.h"
#include "platform/wintypes.h"

typedef DWORD REGSAM;
typedef LONG LSTATUS;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000003u)))

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE 0x20019
#define KEY_ALL_ACCESS 0xF003F

#define REG_OPTION_NON_VOLATILE 0x00000000
#define REG_OPTION_VOLATILE 0x00000001
#define REG_CREATED_NEW_KEY 0x00000001
#define REG_OPENED_EXISTING_KEY 0x00000002

extern "C" {

// Opens an existing key. ERROR_FILE_NOT_FOUND when it does not exist, ERROR_INVALID_HANDLE for
// a bad parent, ERROR_INVALID_PARAMETER for a null result pointer, ERROR_BADDB when the registry
// file is malformed. An empty or null subKey opens a new handle to the parent itself (a
// predefined key gives back itself, which always exists and needs no closing).
// ERROR_ACCESS_DENIED when write rights are asked for and the caller cannot write the registry
// file (as a non-administrator asking them on HKEY_LOCAL_MACHINE).
ORV_API LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired,
                                     PHKEY result);
// Opens or creates a key and its missing parents; *disposition (when given) is
// REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY. ERROR_ACCESS_DENIED when a key must be created
// and the caller cannot write the registry file (the file is left unchanged), or when an existing
// key is opened with write rights by such a caller.
ORV_API LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass,
                                       DWORD options, REGSAM desired,
                                       LPSECURITY_ATTRIBUTES security, PHKEY result,
                                       LPDWORD disposition);
// Reads a value (null or empty name = the default value). data null: only *type and *cbData
// are filled (size needed). Buffer too small: ERROR_MORE_DATA and *cbData = size needed.
// Missing value: ERROR_FILE_NOT_FOUND. REG_SZ and REG_EXPAND_SZ sizes include the terminating
// zero as stored.
ORV_API LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved,
                                        LPDWORD type, LPBYTE data, LPDWORD cbData);
// Writes a value of type REG_SZ, REG_EXPAND_SZ, REG_DWORD (4 bytes) or REG_BINARY, replacing any
// value of that name. ERROR_ACCESS_DENIED without write permission on the registry file.
ORV_API LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                                      const BYTE* data, DWORD cbData);
// Deletes a key without subkeys (a key with subkeys is refused with ERROR_ACCESS_DENIED, as
// Windows does); ERROR_FILE_NOT_FOUND when missing.
ORV_API LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey);
ORV_API LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName);
// Enumerates subkeys by index in case-insensitive name order; ERROR_NO_MORE_ITEMS past the end,
// ERROR_MORE_DATA when the name buffer is too small (*cchName counts characters without the
// terminator on success).
ORV_API LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD cchName,
                                     LPDWORD reserved, LPSTR keyClass, LPDWORD cchClass,
                                     void* lastWriteTime);
ORV_API LSTATUS WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD cchValueName,
                                     LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD cbData);
// Closes a handle from RegOpenKeyExA/RegCreateKeyExA; ERROR_INVALID_HANDLE for anything else
// (predefined root keys close successfully without effect).
ORV_API LSTATUS WINAPI RegCloseKey(HKEY key);

}  // extern "C"
