// The JNIEnv of a native thread that calls into Java (a device reader, a transport worker), and
// the clean-up after each call it makes.
#pragma once

#include <jni.h>

namespace orv::jni {

// The calling thread's JNIEnv. A native thread the VM does not know yet is attached as a daemon
// named `threadName` (it must never keep the VM from shutting down) and detached again when it
// ends. Null on failure. For the library's own threads (readers, workers): once attached here,
// the env is kept rather than asked of the VM on every call, since nobody else detaches them.
JNIEnv* EnvForCurrentThread(JavaVM* vm, const char* threadName);

// The same for a thread of the application's: it asks the VM each time, since the application
// may have detached the thread since we attached it.
JNIEnv* EnvForForeignThread(JavaVM* vm, const char* threadName);

// True when EnvForCurrentThread attached the calling thread to `vm`. Such a thread runs no Java
// frame of its own below us, so its local references last until it deletes them or ends.
bool AttachedHere(JavaVM* vm);

// Describes and clears a pending Java exception (a callback that threw must not leave one
// behind on a native thread). True when there was one.
bool ClearPendingException(JNIEnv* env);

}  // namespace orv::jni
