// The Java side of a port library's open port: the Java port object its callbacks go to, the
// Open steps that bind one (with the result codes both port classes document), and the two
// deliveries to it, recvOccurred and errorOccurred, from the library's own thread.
#pragma once

#include <jni.h>

#include <memory>

#include "jni_support/jni_refs.h"

namespace orv::jni {

// The Open natives' results, the step that failed. 6 is the library's own device or transport
// open; only 0 is a success.
enum PortOpenResult : jint {
    kOpened = 0,
    kNoJavaVm = 1,
    kNoGlobalRef = 2,
    kNoClass = 3,
    kNoRecvOccurred = 4,
    kNoErrorOccurred = 5,
    kPortNotOpened = 6,
    kNoLogFile = 7,
};

// A Java port object with an open port: a global reference to it, its two callback methods and
// the VM that the delivering thread attaches to.
struct JavaPort {
    JavaPort(JavaVM* vm, jobject port, const char* releaseThreadName)
        : port(vm, port, releaseThreadName), vm(vm) {}
    GlobalRef port;
    jmethodID recvOccurred = nullptr;
    jmethodID errorOccurred = nullptr;
    JavaVM* vm;
};

// Looks up recvOccurred "([B)V" and errorOccurred "(ILjava/lang/String;)V" on the port's class.
// kOpened, or the code of the lookup that failed (its NoSuchMethodError is cleared: Open answers
// with the code instead).
jint FindCallbacks(JNIEnv* env, JavaPort& port);

// The Open steps after the log file, in order: the VM, a global reference to `self`, its
// callbacks. kOpened with `out` set to a new Record(vm, reference, releaseThreadName), else the
// code of the step that failed (a reference already taken is deleted again).
template <class Record>
jint BindJavaPort(JNIEnv* env, jobject self, const char* releaseThreadName,
                  std::shared_ptr<Record>& out) {
    JavaVM* vm = nullptr;
    if (env->GetJavaVM(&vm) != JNI_OK || vm == nullptr) return kNoJavaVm;
    jobject global = env->NewGlobalRef(self);
    if (global == nullptr) return kNoGlobalRef;
    // Owns the reference from here.
    auto record = std::make_shared<Record>(vm, global, releaseThreadName);
    const jint found = FindCallbacks(env, *record);
    if (found == kOpened) out = std::move(record);
    return found;
}

// recvOccurred with a new array of exactly these bytes, on the calling thread (attached as
// `threadName` when the VM does not know it). A failure or a Java exception is cleared and the
// block dropped.
void DeliverData(const JavaPort& port, const char* threadName, const unsigned char* data,
                 jsize length);

// errorOccurred with the code and the text (null reads as ""), as DeliverData; nothing when the
// port has no errorOccurred.
void DeliverError(const JavaPort& port, const char* threadName, jint code, const char* text);

}  // namespace orv::jni
