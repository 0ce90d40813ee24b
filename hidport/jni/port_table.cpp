#include "port_table.h"

namespace orv::hidport::jni {

PortsByHandle& Ports() {
    static auto* ports = new PortsByHandle("usbjni.log");
    return *ports;
}

void InsertPort(void* handle, std::shared_ptr<PortRecord> record) {
    std::shared_ptr<PortRecord> replaced;  // released after the lock
    Ports().Locked([&](auto& records) {
        auto& slot = records[handle];
        replaced = std::move(slot);
        slot = std::move(record);
    });
}

std::shared_ptr<PortRecord> FindPort(void* handle) {
    return Ports().Locked([&](auto& records) -> std::shared_ptr<PortRecord> {
        auto it = records.find(handle);
        return it == records.end() ? nullptr : it->second;
    });
}

std::shared_ptr<PortRecord> FindPortOf(JNIEnv* env, jobject port, void*& handle, bool remove) {
    auto entry = Ports().FindEntryOf(env, port, remove);
    if (!entry) return nullptr;
    handle = entry->first;
    return entry->second;
}

}  // namespace orv::hidport::jni
