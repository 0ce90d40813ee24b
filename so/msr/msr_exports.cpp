// The library's exports: the COM server entry points, DllUnregisterServer, and the five event
// natives of com.orv.jpos.msr.MsrOPOSEventCallbacks.
#include "msr_so.h"
#include "so_core/event_relay.h"
#include "so_core/so_exports.h"

ORV_SERVICE_OBJECT_EXPORTS(orv::so::msr::CMsrSO, orv::so::msr::kIdentity)
ORV_SERVICE_OBJECT_UNREGISTER(orv::so::msr::kIdentity)
ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_msr_MsrOPOSEventCallbacks)
