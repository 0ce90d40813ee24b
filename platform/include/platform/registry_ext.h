// Platform-only extras of the registry: where it is kept, why the last call failed, import and
// export of .reg files, and the code page the A functions use. Tools such as orvreg use them;
// the suite's own code sticks to platform/registry.h.
//
// How this registry behaves where Windows leaves room:
// - HKEY_LOCAL_MACHINE lives in one file in the registry export format, written as UTF-8;
//   HKEY_CLASSES_ROOT\X is HKEY_LOCAL_MACHINE\SOFTWARE\Classes\X. Every other predefined key is
//   refused with ERROR_INVALID_HANDLE.
// - A malformed registry file makes every call that needs it fail with ERROR_BADDB; the file is
//   never rewritten while it is malformed (OrvRegGetErrorText names the line).
// - Without write permission on the file (a file without any write bit counts as read-only even
//   for root), writing calls, and opening or creating a key with write rights, give
//   ERROR_ACCESS_DENIED and the file is left as it is.
// - A registry file this process cannot read gives ERROR_ACCESS_DENIED (or ERROR_CANTREAD) from
//   every call that needs it; a missing file is an empty registry.
// - A handle remembers the rights it was opened with: values can be read only with
//   KEY_QUERY_VALUE, written or deleted only with KEY_SET_VALUE, subkeys enumerated only with
//   KEY_ENUMERATE_SUB_KEYS (ERROR_ACCESS_DENIED otherwise), as on Windows.
// - Names are ANSI (Windows-1252) in memory; characters of a file outside that code page read as
//   '?'. Key and value names cannot contain line breaks (ERROR_INVALID_PARAMETER), key names are
//   at most 255 characters, keys at most 512 levels deep.
// - Volatile keys (REG_OPTION_VOLATILE), key classes and last-write times are not kept.
#pragma once

#include <string>

#include "platform/registry.h"

// The registry file when ORV_REGISTRY is unset or empty.
#define ORV_REGISTRY_DEFAULT_PATH "/var/lib/orv/registry.reg"

extern "C" {

// The texts below are returned the same way: the function returns the text's length in bytes
// without the terminator; when size > 0 it copies as much as fits into buffer, always
// terminated. A null buffer with size 0 only asks for the length.

// Path of the registry file this process uses now ($ORV_REGISTRY, else the default).
ORV_API DWORD WINAPI OrvRegGetStorePath(LPSTR buffer, DWORD size);

// Why this thread's last failing registry call failed, in UTF-8: "<file>:<line>: <what>" for a
// malformed registry or .reg file, "<file>: <what>" for a file that cannot be read or written.
// Successful calls leave it as it was.
ORV_API DWORD WINAPI OrvRegGetErrorText(LPSTR buffer, DWORD size);

// Imports a .reg file (UTF-8 with or without byte order mark, UTF-16LE with byte order mark,
// "Windows Registry Editor Version 5.00" or "REGEDIT4") as one change: all of it or, on any
// error, nothing. Sections of HKEY_CLASSES_ROOT land below HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
// Results: ERROR_SUCCESS; ERROR_BADDB for a malformed file, ERROR_FILE_NOT_FOUND for a missing
// file or a section of a root key not kept here, both with *errorLine (when given) = the line of
// the first error (0 when no line is at fault); ERROR_ACCESS_DENIED; ERROR_INVALID_PARAMETER
// for a null file name.
ORV_API LSTATUS WINAPI OrvRegImportFile(LPCSTR file, LPDWORD errorLine);

// Exports key\subKey with all its values and subkeys to a .reg file (version 5.00, UTF-8),
// named under the root it was opened from. The file is replaced atomically. Results:
// ERROR_SUCCESS, ERROR_FILE_NOT_FOUND for a missing key, ERROR_INVALID_HANDLE,
// ERROR_ACCESS_DENIED or ERROR_CANTWRITE when the file cannot be written, ERROR_BADDB.
ORV_API LSTATUS WINAPI OrvRegExportKey(HKEY key, LPCSTR subKey, LPCSTR file);

// Conversions between the ANSI code page of the A functions (Windows-1252) and UTF-8, for
// programs that talk to people. cb bytes of input (embedded zeros allowed); characters outside
// the code page become '?'.
ORV_API DWORD WINAPI OrvRegAnsiToUtf8(LPCSTR ansi, DWORD cb, LPSTR buffer, DWORD size);
ORV_API DWORD WINAPI OrvRegUtf8ToAnsi(LPCSTR utf8, DWORD cb, LPSTR buffer, DWORD size);

}  // extern "C"

namespace orv {

// std::string forms of the text functions above, compiled into the caller.
template <class Fn>
std::string registry_text(Fn fn) {
    std::string text(fn(nullptr, 0), '\0');
    fn(text.data(), static_cast<DWORD>(text.size() + 1));
    return text;
}
inline std::string registry_store_path() {
    return registry_text(OrvRegGetStorePath);
}
inline std::string registry_error_text() {
    return registry_text(OrvRegGetErrorText);
}
inline std::string registry_ansi_to_utf8(const std::string& ansi) {
    return registry_text([&](LPSTR b, DWORD n) {
        return OrvRegAnsiToUtf8(ansi.data(), static_cast<DWORD>(ansi.size()), b, n);
    });
}
inline std::string registry_utf8_to_ansi(const std::string& utf8) {
    return registry_text([&](LPSTR b, DWORD n) {
        return OrvRegUtf8ToAnsi(utf8.data(), static_cast<DWORD>(utf8.size()), b, n);
    });
}

}  // namespace orv
