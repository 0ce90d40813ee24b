// The library's exports: the COM server entry points and the five event natives of
// com.orv.jpos.linedisplay.LineOPOSEventCallbacks. Only status updates and DirectIO events reach
// the control (the class's callback list); the other three are traced and dropped.
#include "line_so.h"
#include "so_core/event_relay.h"
#include "so_core/so_exports.h"

ORV_SERVICE_OBJECT_EXPORTS(orv::so::linedisplay::CLineSO, orv::so::linedisplay::kIdentity)
ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_linedisplay_LineOPOSEventCallbacks)
