#include "jni_support/java_port.h"

#include "jni_support/jni_thread.h"

namespace orv::jni {

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
    LocalRef<jbyteArray> bytes(env, env->NewByteArray(length));
    if (!bytes) {
        ClearPendingException(env);
        return;
    }
    env->SetByteArrayRegion(bytes.Get(), 0, length, reinterpret_cast<const jbyte*>(data));
    env->CallVoidMethod(port.port.Get(), port.recvOccurred, bytes.Get());
    ClearPendingException(env);
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
