// Starts the process's one JVM for native tests and benchmarks, and small helpers to call Java
// from C++ without leaking local references.
#pragma once

#include <jni.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace orv::jni::test {

// Creates the VM on first use with the given class path and library path (and -Xcheck:jni
// unless checkJni is false: benchmarks measure the VM as it runs in production); later calls
// return the calling thread's env (attaching it). Null when the VM cannot be created.
JNIEnv* Jvm(const std::string& classPath, const std::string& libraryPath, bool checkJni = true);

// The suite's orvpos.jar followed by the named jars of the build's tests/java folder, and the
// library folder, from the build (ORV_BUILD_DIR).
std::string TestClassPath(std::initializer_list<const char*> testJars = {});
std::string TestLibraryPath();

// Describes and clears a pending exception; true when there was one.
bool TakeException(JNIEnv* env);

std::vector<unsigned char> Bytes(JNIEnv* env, jbyteArray array);
std::string Text(JNIEnv* env, jstring text);

}  // namespace orv::jni::test
