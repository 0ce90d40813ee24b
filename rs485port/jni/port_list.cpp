#include "port_list.h"

namespace orv::rs485::jni {

PortsInOpeningOrder& Ports() {
    static auto* ports = new PortsInOpeningOrder("pos485ni.log");
    return *ports;
}

void AppendPort(std::shared_ptr<PortRecord> record) {
    Ports().Locked([&](auto& records) { records.push_back(std::move(record)); });
}

std::shared_ptr<PortRecord> FindPortByHandle(int handle) {
    return Ports().Locked([&](auto& records) -> std::shared_ptr<PortRecord> {
        for (const auto& record : records) {
            if (record->handle == handle) return record;
        }
        return nullptr;
    });
}

std::shared_ptr<PortRecord> FindPortOf(JNIEnv* env, jobject port, bool remove) {
    return Ports().FindEntryOf(env, port, remove).value_or(nullptr);
}

}  // namespace orv::rs485::jni
