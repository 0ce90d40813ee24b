// The library's exports: the COM server entry points of the one control class.
#include "co_core/control_exports.h"
#include "tone_control.h"

ORV_CONTROL_EXPORTS(orv::co::tone::CToneControlCtrl)
