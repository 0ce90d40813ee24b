// Owners for JNI references: a local reference (DeleteLocalRef), a local frame
// (Push/PopLocalFrame) that frees whatever a call created on a thread that never returns to
// Java, and a global reference (DeleteGlobalRef).
#pragma once

#include <jni.h>

#include <utility>

namespace orv::so {

template <class T = jobject>
class LocalRef {
public:
    LocalRef() = default;
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    LocalRef(const LocalRef&) = delete;
    LocalRef& operator=(const LocalRef&) = delete;
    LocalRef(LocalRef&& o) noexcept : env_(o.env_), ref_(std::exchange(o.ref_, nullptr)) {}
    LocalRef& operator=(LocalRef&& o) noexcept {
        if (this != &o) {
            Reset();
            env_ = o.env_;
            ref_ = std::exchange(o.ref_, nullptr);
        }
        return *this;
    }
    ~LocalRef() { Reset(); }

    void Reset() {
        if (ref_) env_->DeleteLocalRef(ref_);
        ref_ = nullptr;
    }
    T Get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }

private:
    JNIEnv* env_ = nullptr;
    T ref_ = nullptr;
};

// Operations on the creating thread run with no Java frame to return to: their local references
// would live as long as the thread. Each operation runs inside its own frame.
class LocalFrame {
public:
    LocalFrame(JNIEnv* env, jint capacity) : env_(env) {
        pushed_ = env_ && env_->PushLocalFrame(capacity) == JNI_OK;
        if (env_ && !pushed_ && env_->ExceptionCheck()) env_->ExceptionClear();  // OutOfMemoryError
    }
    LocalFrame(const LocalFrame&) = delete;
    LocalFrame& operator=(const LocalFrame&) = delete;
    ~LocalFrame() {
        if (pushed_) env_->PopLocalFrame(nullptr);
    }

private:
    JNIEnv* env_;
    bool pushed_ = false;
};

}  // namespace orv::so
