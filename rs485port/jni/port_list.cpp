#include "port_list.h"

#include <cstdio>
#include <list>
#include <mutex>

namespace orv::rs485::jni {
namespace {

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

struct Ports {
    std::mutex mutex;
    std::list<std::shared_ptr<PortRecord>> records;
    std::unique_ptr<FILE, FileCloser> log;
};

// Never destroyed: the worker may deliver while the process exits.
Ports& State() {
    static auto* ports = new Ports;
    return *ports;
}

}  // namespace

void AppendPort(std::shared_ptr<PortRecord> record) {
    std::lock_guard lock(State().mutex);
    State().records.push_back(std::move(record));
}

std::shared_ptr<PortRecord> FindPortByHandle(int handle) {
    std::lock_guard lock(State().mutex);
    for (const auto& record : State().records) {
        if (record->handle == handle) return record;
    }
    return nullptr;
}

std::shared_ptr<PortRecord> FindPortOf(JNIEnv* env, jobject port, bool remove) {
    std::lock_guard lock(State().mutex);
    auto& records = State().records;
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (!env->IsSameObject((*it)->port.get(), port)) continue;
        std::shared_ptr<PortRecord> record = *it;
        if (remove) records.erase(it);
        return record;
    }
    return nullptr;
}

bool OpenLog() {
    // Each open truncates the log; the handle it replaces is closed, so only one is ever held.
    FILE* file = std::fopen("pos485ni.log", "wt");
    if (file == nullptr) return false;
    std::lock_guard lock(State().mutex);
    State().log.reset(file);
    return true;
}

void CloseLogIfUnused() {
    std::lock_guard lock(State().mutex);
    if (State().records.empty()) State().log.reset();
}

}  // namespace orv::rs485::jni
