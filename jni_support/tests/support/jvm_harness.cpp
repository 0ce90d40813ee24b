#include "jvm_harness.h"

#include <cstdlib>
#include <mutex>

namespace orv::jni::test {
namespace {

std::string BuildDir() {
    const char* build = std::getenv("ORV_BUILD_DIR");
    return build != nullptr ? build : ".";
}

}  // namespace

JNIEnv* Jvm(const std::string& classPath, const std::string& libraryPath, bool checkJni) {
    static std::once_flag once;
    static JavaVM* vm = nullptr;
    std::call_once(once, [&] {
        std::string cp = "-Djava.class.path=" + classPath;
        std::string lp = "-Djava.library.path=" + libraryPath;
        // -Xcheck:jni last, so that leaving it out is dropping the last option.
        JavaVMOption options[] = {{cp.data(), nullptr},
                                  {lp.data(), nullptr},
                                  {const_cast<char*>("-Djava.awt.headless=true"), nullptr},
                                  {const_cast<char*>("-Xcheck:jni"), nullptr}};
        JavaVMInitArgs args{};
        args.version = JNI_VERSION_1_8;
        args.nOptions = jint(sizeof options / sizeof options[0]) - (checkJni ? 0 : 1);
        args.options = options;
        args.ignoreUnrecognized = JNI_FALSE;
        JNIEnv* env = nullptr;
        if (JNI_CreateJavaVM(&vm, reinterpret_cast<void**>(&env), &args) != JNI_OK) vm = nullptr;
    });
    if (vm == nullptr) return nullptr;
    void* env = nullptr;
    if (vm->GetEnv(&env, JNI_VERSION_1_8) == JNI_OK) return static_cast<JNIEnv*>(env);
    if (vm->AttachCurrentThread(&env, nullptr) != JNI_OK) return nullptr;
    return static_cast<JNIEnv*>(env);
}

std::string TestClassPath(std::initializer_list<const char*> testJars) {
    const std::string root = BuildDir();
    std::string path = root + "/share/java/orvpos.jar";
    for (const char* jar : testJars) path += ":" + root + "/tests/java/" + jar;
    return path;
}

std::string TestLibraryPath() {
    return BuildDir() + "/lib";
}

bool TakeException(JNIEnv* env) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionDescribe();
    env->ExceptionClear();
    return true;
}

std::vector<unsigned char> Bytes(JNIEnv* env, jbyteArray array) {
    std::vector<unsigned char> bytes;
    if (array == nullptr) return bytes;
    bytes.resize(size_t(env->GetArrayLength(array)));
    env->GetByteArrayRegion(array, 0, jsize(bytes.size()), reinterpret_cast<jbyte*>(bytes.data()));
    return bytes;
}

std::string Text(JNIEnv* env, jstring text) {
    if (text == nullptr) return {};
    const char* chars = env->GetStringUTFChars(text, nullptr);
    std::string result = chars != nullptr ? chars : "";
    if (chars != nullptr) env->ReleaseStringUTFChars(text, chars);
    return result;
}

}  // namespace orv::jni::test
