// Starts the process's one JVM for native tests and benchmarks (with -Xcheck:jni), and small
// helpers to call Java from C++ without leaking local references.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace orv::hidport::test {

// Creates the VM on first use with the given class path and library path (and -Xcheck:jni
// unless checkJni is false: benchmarks measure the VM as it runs in production); later calls
// return the calling thread's env (attaching it). Null when the VM cannot be created.
JNIEnv* Jvm(const std::string& classPath, const std::string& libraryPath, bool checkJni = true);

// The class path of the suite's jar and the native test jar, and the library folder, from the
// build (ORV_BUILD_DIR).
std::string TestClassPath();
std::string TestLibraryPath();

// Describes and clears a pending exception; true when there was one.
bool TakeException(JNIEnv* env);

std::vector<unsigned char> Bytes(JNIEnv* env, jbyteArray array);
std::string Text(JNIEnv* env, jstring text);

}  // namespace orv::hidport::test
