// EventTargetRegistry: the library's map from a Java control instance to the service object
// whose control gets that control's events. OpenService inserts on the COM thread, Close and the
// destructor remove, the event natives look up on Java threads: every access is locked, and a
// lookup hands out shared ownership, so an event in flight never touches a freed object.
#pragma once

#include <jni.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "so_core/co_dispatch_driver.h"
#include "so_core/trace_log.h"

namespace orv::so {

struct EventTarget {
    std::shared_ptr<CoDispatchDriver> driver;
    std::shared_ptr<TraceLog> log;
};

class EventTargetRegistry {
public:
    // The library's one registry. Never destroyed: Java threads may still deliver events while
    // the process exits.
    static EventTargetRegistry& Instance();

    // key: the service object's global reference of its Java control. An existing key is kept.
    void Register(jobject key, std::shared_ptr<EventTarget> target);
    void Unregister(jobject key);
    // The first entry, in key order, whose key is the same Java object as source.
    std::shared_ptr<EventTarget> Find(JNIEnv* env, jobject source) const;
    size_t Size() const;

private:
    mutable std::mutex mutex_;
    std::map<uintptr_t, std::pair<jobject, std::shared_ptr<EventTarget>>> entries_;
};

}  // namespace orv::so
