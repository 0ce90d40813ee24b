// The library's exports: the COM server entry points (DllUnregisterServer included) and the five
// event natives of com.orv.jpos.signature.SigOPOSEventCallbacks.
#include "sig_so.h"
#include "so_core/event_relay.h"
#include "so_core/so_exports.h"

ORV_SERVICE_OBJECT_EXPORTS(orv::so::sigcap::CSigSO, orv::so::sigcap::kIdentity)
ORV_SERVICE_OBJECT_UNREGISTER(orv::so::sigcap::kIdentity)
ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_signature_SigOPOSEventCallbacks)
