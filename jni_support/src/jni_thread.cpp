#include "jni_support/jni_thread.h"

#include "jni_support/jni_refs.h"

namespace orv::jni {
namespace {

// Detaches a thread this library attached, when the thread ends. Until then its env stays
// valid (only the thread itself could detach it, and it runs none but our code and callbacks),
// so it is kept rather than asked of the VM on every call.
struct AttachedThread {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    ~AttachedThread() {
        if (vm != nullptr) vm->DetachCurrentThread();
        vm = nullptr;
        env = nullptr;
    }
};
thread_local AttachedThread attachedThread;

}  // namespace

JNIEnv* EnvForCurrentThread(JavaVM* vm, const char* threadName) {
    if (vm == nullptr) return nullptr;
    if (attachedThread.vm == vm) return attachedThread.env;
    return EnvForForeignThread(vm, threadName);
}

JNIEnv* EnvForForeignThread(JavaVM* vm, const char* threadName) {
    if (vm == nullptr) return nullptr;
    void* env = nullptr;
    const jint state = vm->GetEnv(&env, JNI_VERSION_1_4);
    if (state == JNI_OK) return static_cast<JNIEnv*>(env);
    if (state != JNI_EDETACHED) return nullptr;
    JavaVMAttachArgs args{JNI_VERSION_1_4, const_cast<char*>(threadName), nullptr};
    if (vm->AttachCurrentThreadAsDaemon(&env, &args) != JNI_OK) return nullptr;
    attachedThread.vm = vm;
    attachedThread.env = static_cast<JNIEnv*>(env);
    return attachedThread.env;
}

bool AttachedHere(JavaVM* vm) {
    return vm != nullptr && attachedThread.vm == vm;
}

bool ClearPendingException(JNIEnv* env) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionDescribe();
    env->ExceptionClear();
    return true;
}

GlobalRef::~GlobalRef() {
    if (ref_ == nullptr) return;
    // Often the application's thread (a Close): asked of the VM, never taken from the cache.
    if (JNIEnv* env = EnvForForeignThread(vm_, releaseThreadName_)) env->DeleteGlobalRef(ref_);
}

}  // namespace orv::jni
