#include "device_table.h"

#include <map>
#include <mutex>

namespace orv::hidport {
namespace {

struct DeviceTable {
    std::mutex mutex;
    std::map<void*, std::shared_ptr<CDeviceBase>> devices;
};

// Never destroyed: readers may still run while the process exits.
DeviceTable& Table() {
    static auto* table = new DeviceTable;
    return *table;
}

}  // namespace

void InsertDevice(void* handle, std::shared_ptr<CDeviceBase> device) {
    std::shared_ptr<CDeviceBase> replaced;
    {
        std::lock_guard lock(Table().mutex);
        auto& slot = Table().devices[handle];
        replaced = std::move(slot);
        slot = std::move(device);
    }
    // `replaced` is released here, outside the lock: its destructor may wait for its reader.
}

std::shared_ptr<CDeviceBase> FindDevice(void* handle) {
    std::lock_guard lock(Table().mutex);
    auto it = Table().devices.find(handle);
    return it == Table().devices.end() ? nullptr : it->second;
}

}  // namespace orv::hidport
