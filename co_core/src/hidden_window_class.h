// The window class of the hidden event windows of this library.
#pragma once

#include "platform/win32.h"

namespace orv::co {

// Registers the class once per loaded library (its name carries the procedure's address, so
// two control libraries in one process never share it) and returns its name; null when it
// cannot be registered. The class is removed again when the library is unloaded.
const char* HiddenWindowClass(WNDPROC procedure);

}  // namespace orv::co
