// The system message table behind FormatMessageA (internal to the platform library).
#pragma once

#include "platform/wintypes.h"

namespace orv::win32 {

// The English system text of a Win32 error code, ending in "\r\n" as Windows' does; null for a
// code the table does not hold.
const char* SystemMessageText(DWORD code);

}  // namespace orv::win32
