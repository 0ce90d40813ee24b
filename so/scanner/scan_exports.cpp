// The library's exports: the COM server entry points and the five event natives of
// com.orv.jpos.scanner.ScanOPOSEventCallbacks. No DllUnregisterServer: `orvreg delete` removes
// its keys.
#include "scan_so.h"
#include "so_core/event_relay.h"
#include "so_core/so_exports.h"

ORV_SERVICE_OBJECT_EXPORTS(orv::so::scanner::CScannerSO, orv::so::scanner::kIdentity)
ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_scanner_ScanOPOSEventCallbacks)
