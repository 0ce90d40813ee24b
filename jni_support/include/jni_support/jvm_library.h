// The Java VM library (libjvm.so) loaded at run time, as a Windows program would load jvm.dll
// with LoadLibrary, so that a library or program that may drive Java still loads and says why
// when no usable JVM is installed. Each library that compiles this in keeps its own copy; they
// all find the one library of the process.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

namespace orv::jni {

struct JvmLibrary {
    jint(JNICALL* getCreatedJavaVMs)(JavaVM** vms, jsize size, jsize* count) = nullptr;
    jint(JNICALL* createJavaVM)(JavaVM** vm, void** env, void* args) = nullptr;
    std::string path;  // the file it was loaded from ("libjvm.so" when found already loaded)
};

// The files tried, in order, when no JVM library is in the process yet: $ORV_JVM_LIBRARY alone
// when it is set and not empty; otherwise $JAVA_HOME/lib/server/libjvm.so (when JAVA_HOME is
// set), then the library of the JDK the suite was built with.
std::vector<std::string> JvmLibraryCandidates();

// The JVM library of the process: the one already loaded (a program that links it, or the JVM
// that loaded this library through System.loadLibrary), else the first candidate that loads and
// exports JNI_GetCreatedJavaVMs and JNI_CreateJavaVM. It stays loaded for the life of the
// process. Null when none does: *why (when given) then holds the loader's message for every
// file tried, and the first such failure of the process is said once in the debugger output
// (OrvReportLoadFailure, under the name "libjvm.so"). Safe from any thread.
const JvmLibrary* LoadJvmLibrary(std::string* why = nullptr);

// The JVM library only when it is already in the process; never loads anything.
const JvmLibrary* LoadedJvmLibrary();

// The VM running in this process, null when there is none (or no JVM library is loaded).
// Never loads the library or starts a VM.
JavaVM* RunningJvm();

}  // namespace orv::jni
