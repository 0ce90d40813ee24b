#include "jni_support/java_port.h"

#include "jni_support/jni_thread.h"

namespace orv::jni {
namespace {

// The array a thread we attached makes ready, after each delivery, for its next block: the
// allocation then happens while nothing waits for it rather than in front of the next call.
// Every array still goes to Java once (recvOccurred may keep it); only one of the last block's
// length is held, and none past kMaxSpareLength.
struct SpareArray {
    JNIEnv* env = nullptr;  // the attachment the local reference belongs to
    jbyteArray array = nullptr;
    jsize length = 0;
};
thread_local SpareArray spare;
constexpr jsize kMaxSpareLength = 4096;

// A new array of `length` elements: the spare when it fits, else a new one (null on failure,
// with the exception pending).
jbyteArray NewArrayFor(JNIEnv* env, jsize length) {
    if (spare.array != nullptr && spare.env == env && spare.length == length) {
        const jbyteArray array = spare.array;
        spare.array = nullptr;
        return array;
    }
    return env->NewByteArray(length);
}

// Makes the spare for a block like the one just delivered; a failure leaves none (the next
// delivery allocates as before).
void PrepareSpare(JNIEnv* env, jsize length) {
    if (length > kMaxSpareLength) return;
    if (spare.array != nullptr) {
        if (spare.env == env && spare.length == length) return;
        if (spare.env == env) env->DeleteLocalRef(spare.array);
        spare.array = nullptr;
    }
    const jbyteArray array = env->NewByteArray(length);
    if (array == nullptr) {
        env->ExceptionClear();  // OutOfMemoryError: nothing to keep
        return;
    }
    spare = {env, array, length};
}

}  // namespace

jint FindCallbacks(JNIEnv* env, JavaPort& port) {
    LocalRef<jclass> portClass(env, env->GetObjectClass(port.port.Get()));
    if (!portClass) return kNoClass;
    port.recvOccurred = env->GetMethodID(portClass.Get(), "recvOccurred", "([B)V");
    if (port.recvOccurred == nullptr) {
        env->ExceptionClear();  // NoSuchMethodError
        return kNoRecvOccurred;
    }
    port.errorOccurred =
        env->GetMethodID(portClass.Get(), "errorOccurred", "(ILjava/lang/String;)V");
    if (port.errorOccurred == nullptr) {
        env->ExceptionClear();
        return kNoErrorOccurred;
    }
    return kOpened;
}

void DeliverData(const JavaPort& port, const char* threadName, const unsigned char* data,
                 jsize length) {
    JNIEnv* env = EnvForCurrentThread(port.vm, threadName);
    if (env == nullptr) return;
    // Local references outlive this call only on a thread we attached.
    const bool keepSpare = AttachedHere(port.vm);
    {
        LocalRef<jbyteArray> bytes(env, keepSpare ? NewArrayFor(env, length)
                                                  : env->NewByteArray(length));
        if (!bytes) {
            ClearPendingException(env);
            return;
        }
        env->SetByteArrayRegion(bytes.Get(), 0, length, reinterpret_cast<const jbyte*>(data));
        env->CallVoidMethod(port.port.Get(), port.recvOccurred, bytes.Get());
        ClearPendingException(env);
    }
    if (keepSpare) PrepareSpare(env, length);
}

void DeliverError(const JavaPort& port, const char* threadName, jint code, const char* text) {
    if (port.errorOccurred == nullptr) return;
    JNIEnv* env = EnvForCurrentThread(port.vm, threadName);
    if (env == nullptr) return;
    LocalRef<jstring> message(env, env->NewStringUTF(text != nullptr ? text : ""));
    if (!message) {
        ClearPendingException(env);
        return;
    }
    env->CallVoidMethod(port.port.Get(), port.errorOccurred, code, message.Get());
    ClearPendingException(env);
}

}  // namespace orv::jni
