// Binding the five event natives of a library's callbacks class from the library itself.
// The Java side binds them by loading the library by name from java.library.path; when that
// folder does not hold the library, nothing would ever reach the service object. So the library
// registers the functions it exports (ORV_SO_EVENT_NATIVES declares them here when it is loaded)
// on their class with RegisterNatives, once per process, before its first Java open, and tells
// OposEventCallbacks that the class is bound.
#pragma once

#include <jni.h>

#include <string>
#include <string_view>

namespace orv::so {

class OposJNI;

using EventNative = void(JNICALL*)(JNIEnv*, jobject, jobject);

// The five natives in the order of the callbacks class: data, error, status update, output
// complete, DirectIO.
struct EventNatives {
    std::string className;  // JNI form, "com/orv/jpos/pinpad/PinOPOSEventCallbacks"
    EventNative functions[5];
};

// Declares the library's natives; jniPrefix is the JNI short name of their class,
// "Java_com_orv_jpos_pinpad_PinOPOSEventCallbacks". Returns false (and declares nothing) for a
// prefix that is not one. Called from a static initialiser: never throws.
bool DeclareEventNatives(const char* jniPrefix, const EventNative (&functions)[5]) noexcept;

// "Java_com_orv_jpos_pinpad_PinOPOSEventCallbacks" -> "com/orv/jpos/pinpad/PinOPOSEventCallbacks"
// ("_1" stands for '_'); "" for anything else, escapes of other characters included.
std::string ClassFromJniPrefix(std::string_view prefix);

// Registers the natives on their class and marks the class bound on the Java side. "" on
// success, else why not (the Java exception's text); no exception is left pending.
std::string RegisterEventNatives(OposJNI& bridge, const EventNatives& natives);

// The library's declared natives, registered once per process (the VM is never destroyed).
// True when they are bound or the library declares none. On failure writes a trace line naming
// the class, java.library.path and the reason (also to the debugger output) and returns false,
// and the next OpenService tries again.
bool BindEventNatives(OposJNI& bridge);

}  // namespace orv::so
