#include "so_core/event_registry.h"

namespace orv::so {

EventTargetRegistry& EventTargetRegistry::Instance() {
    static EventTargetRegistry* registry = new EventTargetRegistry;
    return *registry;
}

void EventTargetRegistry::Register(jobject key, std::shared_ptr<EventTarget> target) {
    std::lock_guard lock(mutex_);
    entries_.try_emplace(reinterpret_cast<uintptr_t>(key), key, std::move(target));
}

void EventTargetRegistry::Unregister(jobject key) {
    std::lock_guard lock(mutex_);
    entries_.erase(reinterpret_cast<uintptr_t>(key));
}

std::shared_ptr<EventTarget> EventTargetRegistry::Find(JNIEnv* env, jobject source) const {
    std::lock_guard lock(mutex_);
    for (const auto& [address, entry] : entries_) {
        (void)address;
        if (env->IsSameObject(entry.first, source)) return entry.second;
    }
    return nullptr;
}

size_t EventTargetRegistry::Size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

}  // namespace orv::so
