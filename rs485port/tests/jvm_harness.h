// Starts the process's one JVM for the native tests and the benchmark (with -Xcheck:jni), and
// small helpers to call Java from C++ without leaking local references.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace orv::rs485::test {

// Creates the VM on first use; later calls return the calling thread's env (attaching it).
// Null when the VM cannot be created.
JNIEnv* Jvm(const std::string& classPath, const std::string& libraryPath);

// orvpos.jar and the native test jar; the library folder (from ORV_BUILD_DIR).
std::string TestClassPath();
std::string TestLibraryPath();

// Describes and clears a pending exception; true when there was one.
bool TakeException(JNIEnv* env);

std::vector<unsigned char> Bytes(JNIEnv* env, jbyteArray array);
std::string Text(JNIEnv* env, jstring text);

}  // namespace orv::rs485::test
