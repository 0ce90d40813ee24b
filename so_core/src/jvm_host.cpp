#include "so_core/jvm_host.h"

#include <cstdio>

#include "jni_support/jvm_library.h"
#include "platform/process_lock.h"

namespace orv::so {
namespace {

// Every service object library of the process takes this one lock, whatever its device class:
// a mutex of this core would be one per library, and two libraries creating their first
// objects at once would both find no VM and both try to create one.
constexpr const char kVmLock[] = "orv.so.jvm";

JavaVM* FindVm(const jni::JvmLibrary& library, bool* listFailed) {
    JavaVM* vm = nullptr;
    jsize count = 0;
    if (library.getCreatedJavaVMs(&vm, 1, &count) != JNI_OK) {
        *listFailed = true;
        return nullptr;
    }
    return (vm || count > 0) ? vm : nullptr;
}

}  // namespace

bool LoadJvm(std::string* line) {
    std::string why;
    if (jni::LoadJvmLibrary(&why)) return true;
    if (line) *line = why.empty() ? "cannot load the Java VM library" : why;
    return false;
}

JvmStart StartOrJoinJvm(const std::string& classPathOption, const std::string& libraryPathOption) {
    JvmStart out;
    std::string why;
    const jni::JvmLibrary* library = jni::LoadJvmLibrary(&why);
    if (!library) {
        out.lines.push_back(why.empty() ? "cannot load the Java VM library" : why);
        return out;
    }
    // Only a process that cannot allocate a few bytes goes on without the lock.
    ProcessLockGuard lock(kVmLock);
    bool listFailed = false;
    JavaVM* vm = FindVm(*library, &listFailed);
    if (listFailed) out.lines.emplace_back("Failed to get list of created virtual machines");
    if (vm) {
        JNIEnv* env = nullptr;
        if (vm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr) != JNI_OK || !env) {
            out.lines.emplace_back("Failed to Attach current thread");
            return out;
        }
        out.env = env;
        return out;
    }

    JavaVMOption options[2];
    options[0].optionString = const_cast<char*>(classPathOption.c_str());
    options[0].extraInfo = nullptr;
    options[1].optionString = const_cast<char*>(libraryPathOption.c_str());
    options[1].extraInfo = nullptr;
    JavaVMInitArgs args{};
    args.version = JNI_VERSION_1_4;
    args.nOptions = 2;
    args.options = options;
    args.ignoreUnrecognized = JNI_FALSE;  // both options are ours; a typo must show
    JNIEnv* env = nullptr;
    const jint status = library->createJavaVM(&vm, reinterpret_cast<void**>(&env), &args);
    if (status < 0 || !env) {
        char text[64];
        std::snprintf(text, sizeof text, " Status %d \n", static_cast<int>(status));
        out.lines.emplace_back(std::string(text) + "Failed to create Virtual Machine");
        return out;
    }
    out.env = env;
    return out;
}

JNIEnv* EnvForCurrentThread() {
    JavaVM* vm = jni::RunningJvm();
    if (!vm) return nullptr;
    JNIEnv* env = nullptr;
    const jint rc = vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_4);
    if (rc == JNI_OK) return env;
    if (rc != JNI_EDETACHED) return nullptr;
    if (vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) != JNI_OK)
        return nullptr;
    return env;
}

}  // namespace orv::so
