// The worker window's procedure and the transport's handling of what reaches it.
#pragma once

#include "platform/win32.h"

namespace orv::rs485 {

LRESULT CALLBACK TransportWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace orv::rs485
