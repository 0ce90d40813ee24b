// The process-wide table from device handle to device object. Entries stay after Close (so a
// second close still finds its device); an open that gets a handle value already in the table
// replaces the entry, and the old, closed object is freed once no call is using it.
#pragma once

#include <memory>

#include "device_base.h"

namespace orv::hidport {

void InsertDevice(void* handle, std::shared_ptr<CDeviceBase> device);
std::shared_ptr<CDeviceBase> FindDevice(void* handle);

}  // namespace orv::hidport
