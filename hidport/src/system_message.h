// The system's text for a Win32 error code, as the device layer reports it.
#pragma once

#include <string>

#include "platform/wintypes.h"

namespace orv::hidport {

// FormatMessageA (from the system table, neutral language) without its line end; empty when
// the system has no text for the code.
std::string SystemMessage(DWORD code);

}  // namespace orv::hidport
