#include "sim_command.h"

#include <jni.h>

#include "jni_support/jvm_library.h"

namespace orv::example {

std::string SimCommand(const std::string& line) {
    // The program never loads the JVM itself: only a service object that started it makes one.
    JavaVM* vm = orv::jni::RunningJvm();
    if (!vm) return "JNI: no JVM";
    void* raw = nullptr;
    if (vm->GetEnv(&raw, JNI_VERSION_1_4) != JNI_OK &&
        vm->AttachCurrentThreadAsDaemon(&raw, nullptr) != JNI_OK)
        return "JNI: cannot attach";
    JNIEnv* env = static_cast<JNIEnv*>(raw);
    std::string result = "JNI: SimControl.command failed";
    jclass cls = env->FindClass("com/orv/sim/SimControl");
    jmethodID command =
        cls ? env->GetStaticMethodID(cls, "command", "(Ljava/lang/String;)Ljava/lang/String;")
            : nullptr;
    jstring text = command ? env->NewStringUTF(line.c_str()) : nullptr;
    jobject answer = text ? env->CallStaticObjectMethod(cls, command, text) : nullptr;
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
    } else if (answer) {
        if (const char* chars = env->GetStringUTFChars(static_cast<jstring>(answer), nullptr)) {
            result = chars;
            env->ReleaseStringUTFChars(static_cast<jstring>(answer), chars);
        }
    }
    for (jobject ref : {static_cast<jobject>(cls), static_cast<jobject>(text), answer})
        if (ref) env->DeleteLocalRef(ref);
    return result;
}

}  // namespace orv::example
