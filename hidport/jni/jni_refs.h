// Move-only guards for what JNI hands out: local and global references, string characters,
// byte array elements. Each destructor makes the one release call.
#pragma once

#include <jni.h>

#include <utility>

namespace orv::hidport::jni {

template <typename T = jobject>
class LocalRef {
public:
    LocalRef(JNIEnv* env, T ref) : env_(env), ref_(ref) {}
    LocalRef(LocalRef&& other) noexcept
        : env_(other.env_), ref_(std::exchange(other.ref_, nullptr)) {}
    LocalRef& operator=(LocalRef&&) = delete;
    ~LocalRef() {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
    }
    T get() const { return ref_; }
    explicit operator bool() const { return ref_ != nullptr; }

private:
    JNIEnv* env_;
    T ref_;
};

// Modified UTF-8 characters of a Java string; a null string reads as "".
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
    const char* c_str() const { return chars_ != nullptr ? chars_ : ""; }
    // False when the characters could not be had for a non-null string (out of memory).
    bool ok() const { return text_ == nullptr || chars_ != nullptr; }

private:
    JNIEnv* env_;
    jstring text_;
    const char* chars_;
};

// Elements of a byte array, released without copying back (the natives only read them).
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

// The calling thread's JNIEnv. A native thread the VM does not know yet (a device reader) is
// attached as a daemon, named `threadName`, and detached again when it ends. Null on failure.
JNIEnv* EnvForCurrentThread(JavaVM* vm, const char* threadName);

// Describes and clears a pending Java exception (a callback that threw must not leave one
// behind on a native thread). True when there was one.
bool ClearPendingException(JNIEnv* env);

}  // namespace orv::hidport::jni
