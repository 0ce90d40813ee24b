// Per-thread last error, as kept by the Windows thread environment block.
#include "platform/win32.h"

namespace {
thread_local DWORD t_lastError = ERROR_SUCCESS;
}

extern "C" {

ORV_API DWORD WINAPI GetLastError(void) {
    return t_lastError;
}

ORV_API void WINAPI SetLastError(DWORD errorCode) {
    t_lastError = errorCode;
}

}  // extern "C"
