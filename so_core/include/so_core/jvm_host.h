// The process's one Java VM: created by the first service object that finds none, joined by
// every later one (and by a VM the application started itself). Never destroyed.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace orv::so {

struct JvmStart {
    JNIEnv* env = nullptr;           // of the calling thread; null on failure
    std::vector<std::string> lines;  // trace lines of the steps that failed
};

// Joins a running VM by attaching the calling thread, or creates one (JNI 1.4) with the two
// options. Looking for a VM and creating one happen under a lock of the process (see
// platform/process_lock.h), so objects of any libraries never race to create a VM.
JvmStart StartOrJoinJvm(const std::string& classPathOption, const std::string& libraryPathOption);

// The environment of the calling thread, attaching it (as a daemon) when it is not attached;
// null when no VM runs.
JNIEnv* EnvForCurrentThread();

}  // namespace orv::so
