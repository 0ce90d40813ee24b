#include "port_table.h"

#include <cstdio>
#include <map>
#include <mutex>

namespace orv::hidport::jni {
namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

struct Ports {
    std::mutex mutex;
    std::map<void*, std::shared_ptr<PortRecord>> records;
    std::unique_ptr<FILE, FileCloser> log;
};

// Never destroyed: reader threads may deliver while the process exits.
Ports& State() {
    static auto* ports = new Ports;
    return *ports;
}

}  // namespace

void InsertPort(void* handle, std::shared_ptr<PortRecord> record) {
    std::shared_ptr<PortRecord> replaced;
    std::lock_guard lock(State().mutex);
    auto& slot = State().records[handle];
    replaced = std::move(slot);
    slot = std::move(record);
}

std::shared_ptr<PortRecord> FindPort(void* handle) {
    std::lock_guard lock(State().mutex);
    auto it = State().records.find(handle);
    return it == State().records.end() ? nullptr : it->second;
}

std::shared_ptr<PortRecord> FindPortOf(JNIEnv* env, jobject port, void*& handle, bool remove) {
    std::lock_guard lock(State().mutex);
    auto& records = State().records;
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (!env->IsSameObject(it->second->port.get(), port)) continue;
        handle = it->first;
        std::shared_ptr<PortRecord> record = it->second;
        if (remove) records.erase(it);
        return record;
    }
    return nullptr;
}

bool OpenLog() {
    // Each open truncates the log, as before; the previous handle (if any) is closed, so only
    // one is ever held.
    FILE* file = std::fopen("usbjni.log", "wt");
    if (file == nullptr) return false;
    std::lock_guard lock(State().mutex);
    State().log.reset(file);
    return true;
}

void CloseLogIfUnused() {
    std::lock_guard lock(State().mutex);
    if (State().records.empty()) State().log.reset();
}

}  // namespace orv::hidport::jni
