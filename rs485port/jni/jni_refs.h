// Move-only guards for what JNI hands out (local and global references), and the worker
// thread's JNIEnv. Each destructor makes the one release call.
#pragma once

#include <jni.h>

#include <utility>

namespace orv::rs485::jni {

template <typename T = jobject>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    ~LocalRef() {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
    }
    T get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }

private:
    JNIEnv* env_;
    T ref_;
};

// A global reference, deleted through the VM from whatever thread drops it last.
class GlobalRef {
public:
    GlobalRef(JavaVM* vm, jobject ref) : vm_(vm), ref_(ref) {}
    GlobalRef(const GlobalRef&) = delete;
    GlobalRef& operator=(const GlobalRef&) = delete;
    ~GlobalRef();
    jobject get() const { return ref_; }

private:
    JavaVM* vm_;
    jobject ref_;
};

// The calling thread's JNIEnv. A native thread the VM does not know yet (the transport's worker)
// is attached as a daemon named `threadName` and detached again when it ends. Null on failure.
JNIEnv* EnvForCurrentThread(JavaVM* vm, const char* threadName);

// Describes and clears a pending Java exception (a callback that threw must not leave one
// behind on the worker). True when there was one.
bool ClearPendingException(JNIEnv* env);

}  // namespace orv::rs485::jni
