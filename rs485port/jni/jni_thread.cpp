#include "jni_refs.h"

namespace orv::rs485::jni {
namespace {

// Detaches a thread this library attached, when the thread ends.
struct AttachedThread {
    JavaVM* vm = nullptr;
    ~AttachedThread() {
        if (vm != nullptr) vm->DetachCurrentThread();
    }
};
thread_local AttachedThread attachedThread;

}  // namespace

JNIEnv* EnvForCurrentThread(JavaVM* vm, const char* threadName) {
    if (vm == nullptr) return nullptr;
    void* env = nullptr;
    const jint state = vm->GetEnv(&env, JNI_VERSION_1_4);
    if (state == JNI_OK) return static_cast<JNIEnv*>(env);
    if (state != JNI_EDETACHED) return nullptr;
    JavaVMAttachArgs args{JNI_VERSION_1_4, const_cast<char*>(threadName), nullptr};
    // A daemon: the transport's worker must never keep the VM from shutting down.
    if (vm->AttachCurrentThreadAsDaemon(&env, &args) != JNI_OK) return nullptr;
    attachedThread.vm = vm;
    return static_cast<JNIEnv*>(env);
}

bool ClearPendingException(JNIEnv* env) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionDescribe();
    env->ExceptionClear();
    return true;
}

GlobalRef::~GlobalRef() {
    if (ref_ == nullptr) return;
    if (JNIEnv* env = EnvForCurrentThread(vm_, "Rs485PortLib release")) env->DeleteGlobalRef(ref_);
}

}  // namespace orv::rs485::jni
