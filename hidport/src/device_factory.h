// Which device class serves a top-level collection.
#pragma once

#include <memory>

#include "device_base.h"

namespace orv::hidport {

// A new, closed device object of the class for usagePage/usage; null when no class serves it.
std::shared_ptr<CDeviceBase> CreateDeviceFor(USAGE usagePage, USAGE usage);

}  // namespace orv::hidport
