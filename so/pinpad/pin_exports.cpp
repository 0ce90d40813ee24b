// The library's exports: the COM server entry points and the five event natives of
// com.orv.jpos.pinpad.PinOPOSEventCallbacks. The PIN pad service object offers no
// DllUnregisterServer: `orvreg delete` removes its keys.
#include "pin_so.h"
#include "so_core/event_relay.h"
#include "so_core/so_exports.h"

ORV_SERVICE_OBJECT_EXPORTS(orv::so::pinpad::CPinSO, orv::so::pinpad::kIdentity)
ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_pinpad_PinOPOSEventCallbacks)
