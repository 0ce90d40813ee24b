// Move-only guards for what JNI hands out: local references, local frames, global references,
// string characters and byte array elements. Each destructor makes the one release call.
#pragma once

#include <jni.h>

#include <utility>

namespace orv::jni {

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

// Code that runs with no Java frame to return to (a thread that never returns to Java) would
// keep its local references as long as the thread lives; such code runs inside its own frame.
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

// A global reference, deleted through the VM from whatever thread drops it last. A native
// thread the VM does not know is attached for that (as `releaseThreadName`, see jni_thread.h).
class GlobalRef {
public:
    GlobalRef(JavaVM* vm, jobject ref, const char* releaseThreadName)
        : vm_(vm), ref_(ref), releaseThreadName_(releaseThreadName) {}
    GlobalRef(const GlobalRef&) = delete;
    GlobalRef& operator=(const GlobalRef&) = delete;
    ~GlobalRef();
    jobject Get() const { return ref_; }

private:
    JavaVM* vm_;
    jobject ref_;
    const char* releaseThreadName_;
};

// Modified UTF-8 characters of a Java string. A null string has none: Get() is null, c_str()
// reads it as "".
class StringChars {
public:
    StringChars(JNIEnv* env, jstring text)
        : env_(env),
          text_(text),
          chars_(text != nullptr ? env->GetStringUTFChars(text, nullptr) : nullptr) {}
    StringChars(const StringChars&) = delete;
    StringChars& operator=(const StringChars&) = delete;
    ~StringChars() {
        if (chars_ != nullptr) env_->ReleaseStringUTFChars(text_, chars_);
    }
    const char* Get() const { return chars_; }
    const char* c_str() const { return chars_ != nullptr ? chars_ : ""; }
    // False when the characters could not be had for a non-null string (out of memory).
    bool ok() const { return text_ == nullptr || chars_ != nullptr; }

private:
    JNIEnv* env_;
    jstring text_;
    const char* chars_;
};

// Elements of a byte array, released without copying back (they are only read).
class ByteElements {
public:
    ByteElements(JNIEnv* env, jbyteArray array)
        : env_(env),
          array_(array),
          bytes_(array != nullptr ? env->GetByteArrayElements(array, nullptr) : nullptr) {}
    ByteElements(const ByteElements&) = delete;
    ByteElements& operator=(const ByteElements&) = delete;
    ~ByteElements() {
        if (bytes_ != nullptr) env_->ReleaseByteArrayElements(array_, bytes_, JNI_ABORT);
    }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(bytes_); }

private:
    JNIEnv* env_;
    jbyteArray array_;
    jbyte* bytes_;
};

}  // namespace orv::jni
