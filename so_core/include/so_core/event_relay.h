// The event relay: the bodies of the five event natives every service object library exports.
// A native finds the service object whose Java control raised the event, reads the event through
// its Java getters and calls the matching SO* method on that object's control, on the Java
// thread that raised it. Every local reference it makes is released before it returns, so a
// thread that raises events for days never fills its local reference table.
#pragma once

#include <jni.h>

#include "so_core/event_natives.h"

namespace orv::so {

enum class EventKind { Data, Error, StatusUpdate, OutputComplete, DirectIO };

// Never throws and never leaves a Java exception pending.
void RelayEvent(EventKind kind, JNIEnv* env, jobject event) noexcept;

}  // namespace orv::so

// Defines the five exported natives of a callbacks class, e.g.
//   ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_pinpad_PinOPOSEventCallbacks)
// and declares them to the core, which registers them on that class at the first OpenService
// (event_natives.h): events arrive whatever java.library.path holds.
#define ORV_SO_EVENT_NATIVE(prefix, method, kind)                                           \
    extern "C" JNIEXPORT void JNICALL prefix##_##method(JNIEnv* env, jobject, jobject event) { \
        ::orv::so::RelayEvent(::orv::so::EventKind::kind, env, event);                         \
    }
#define ORV_SO_EVENT_NATIVES(prefix)                                          \
    ORV_SO_EVENT_NATIVE(prefix, oposDataEventOccurred, Data)                  \
    ORV_SO_EVENT_NATIVE(prefix, oposErrorEventOccurred, Error)                \
    ORV_SO_EVENT_NATIVE(prefix, oposStatusUpdateEventOccurred, StatusUpdate)  \
    ORV_SO_EVENT_NATIVE(prefix, oposOutputCompleteEventOccurred, OutputComplete) \
    ORV_SO_EVENT_NATIVE(prefix, oposDirectIOEventOccurred, DirectIO)          \
    [[maybe_unused]] static const bool orvEventNativesDeclared =              \
        ::orv::so::DeclareEventNatives(#prefix, {&prefix##_oposDataEventOccurred, \
                                                 &prefix##_oposErrorEventOccurred, \
                                                 &prefix##_oposStatusUpdateEventOccurred, \
                                                 &prefix##_oposOutputCompleteEventOccurred, \
                                                 &prefix##_oposDirectIOEventOccurred});
