#include "transport_object.h"

#include <optional>

#include "message_handler.h"
#include "trace_log.h"

namespace orv::rs485 {

Transport& Transport::Get() {
    static auto* transport = new Transport;  // never destroyed: a worker may run at exit
    return *transport;
}

HWND Transport::AddReference() {
    std::lock_guard lock(objectLock_);
    if (references_ == 0) {
        TraceLog::Get().Create();  // a log that cannot be created only costs the trace
        for (DeviceRecord& device : devices_) device.Clear();
        startupDone_ = false;
        result_ = TR_SUCCESS;
        initialised_ = true;
        worker_.Start(TransportWindowProcedure);
    }
    ++references_;
    return worker_.Window();
}

void Transport::DropReference() {
    std::optional<Worker> ending;
    {
        std::lock_guard lock(objectLock_);
        if (references_ == 0 || --references_ != 0) return;
        initialised_ = false;
        startupDone_ = false;
        ending.emplace(std::move(worker_));
        TraceLog::Get().Line("Transport_Destroy::Destroyed the transport layer\n");
        TraceLog::Get().Close();
    }
    // Outside the lock: the worker may be finishing a callback that opens or closes a device.
    if (ending) ending->Stop();
}

bool Transport::StartupDone() {
    std::lock_guard lock(objectLock_);
    return startupDone_;
}

void Transport::SetStartupDone() {
    std::lock_guard lock(objectLock_);
    startupDone_ = true;
}

DeviceRecord* Transport::DeviceForHandle(int handle) {
    if (handle < 1 || handle > kDeviceSlots) return nullptr;
    DeviceRecord& device = devices_[handle - 1];
    return device.descriptor.load() != 0 ? &device : nullptr;
}

DeviceRecord* Transport::DeviceForDescriptor(WPARAM descriptor, int& handle) {
    if (descriptor == 0 || descriptor > 0xFFFF) return nullptr;
    for (int i = 0; i < kDeviceSlots; ++i) {
        if (devices_[i].descriptor.load() == descriptor) {
            handle = i + 1;
            return &devices_[i];
        }
    }
    return nullptr;
}

HWND Transport::WorkerWindow() {
    std::lock_guard lock(objectLock_);
    return worker_.Window();
}

}  // namespace orv::rs485
