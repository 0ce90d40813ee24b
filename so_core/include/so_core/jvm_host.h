// The process's one Java VM: created by the first service object that finds none, joined by
// every later one (and by a VM the application started itself). Never destroyed. Its library is
// loaded at run time, so a service object library loads without a JVM installed.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace orv::so {

struct JvmStart {
    JNIEnv* env = nullptr;           // of the calling thread; null on failure
    std::vector<std::string> lines;  // trace lines of the steps that failed
};

// Loads the JVM library (jni_support/jvm_library.h) when it is not in the process yet. False
// when it cannot be loaded, with *line = the loader's message for the trace (also said once per
// process in the debugger output): the object must then not be created, as a library that
// imports the JVM at load time could not even be loaded.
bool LoadJvm(std::string* line);

// Joins a running VM by attaching the calling thread, or creates one (JNI 1.4) with the two
// options. Looking for a VM and creating one happen under a lock of the process (see
// platform/process_lock.h), so objects of any libraries never race to create a VM.
JvmStart StartOrJoinJvm(const std::string& classPathOption, const std::string& libraryPathOption);

// The environment of the calling thread, attaching it (as a daemon) when it is not attached;
// null when no VM runs.
JNIEnv* EnvForCurrentThread();

}  // namespace orv::so
