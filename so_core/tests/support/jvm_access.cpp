#include "jvm_access.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace orv::so::test {

JNIEnv* Env() {
    JavaVM* vm = nullptr;
    jsize count = 0;
    if (JNI_GetCreatedJavaVMs(&vm, 1, &count) != JNI_OK || count == 0 || !vm) return nullptr;
    JNIEnv* env = nullptr;
    if (vm->GetEnv(reinterpret_cast<void**>(&env), JNI_VERSION_1_4) == JNI_OK) return env;
    if (vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&env), nullptr) != JNI_OK)
        return nullptr;
    return env;
}

bool JvmRunning() {
    JavaVM* vm = nullptr;
    jsize count = 0;
    return JNI_GetCreatedJavaVMs(&vm, 1, &count) == JNI_OK && count > 0;
}

namespace {

struct StaticCall {
    JNIEnv* env = nullptr;
    jclass cls = nullptr;
    jmethodID method = nullptr;
    StaticCall(const char* className, const char* name, const char* sig) {
        env = Env();
        if (!env) {
            ADD_FAILURE() << "no JVM for " << className << "." << name;
            return;
        }
        env->PushLocalFrame(16);
        cls = env->FindClass(className);
        if (cls) method = env->GetStaticMethodID(cls, name, sig);
        if (!method) Fail(std::string("no ") + className + "." + name + sig);
    }
    ~StaticCall() {
        if (env) env->PopLocalFrame(nullptr);
    }
    void Fail(const std::string& what) {
        if (env->ExceptionCheck()) {
            env->ExceptionDescribe();
            env->ExceptionClear();
        }
        ADD_FAILURE() << what;
    }
    bool Check(const char* name) {
        if (!env->ExceptionCheck()) return true;
        Fail(std::string("exception in ") + name);
        return false;
    }
};

}  // namespace

std::string CallStaticString(const char* cls, const char* method, const char* sig, ...) {
    StaticCall c(cls, method, sig);
    if (!c.method) return {};
    va_list args;
    va_start(args, sig);
    auto s = static_cast<jstring>(c.env->CallStaticObjectMethodV(c.cls, c.method, args));
    va_end(args);
    if (!c.Check(method) || !s) return {};
    const char* utf = c.env->GetStringUTFChars(s, nullptr);
    std::string out = utf ? utf : "";
    if (utf) c.env->ReleaseStringUTFChars(s, utf);
    return out;
}

int64_t CallStaticLong(const char* cls, const char* method, const char* sig, ...) {
    StaticCall c(cls, method, sig);
    if (!c.method) return 0;
    va_list args;
    va_start(args, sig);
    const jlong v = c.env->CallStaticLongMethodV(c.cls, c.method, args);
    va_end(args);
    return c.Check(method) ? v : 0;
}

int32_t CallStaticInt(const char* cls, const char* method, const char* sig, ...) {
    StaticCall c(cls, method, sig);
    if (!c.method) return 0;
    va_list args;
    va_start(args, sig);
    const jint v = c.env->CallStaticIntMethodV(c.cls, c.method, args);
    va_end(args);
    return c.Check(method) ? v : 0;
}

void CallStaticVoid(const char* cls, const char* method, const char* sig, ...) {
    StaticCall c(cls, method, sig);
    if (!c.method) return;
    va_list args;
    va_start(args, sig);
    c.env->CallStaticVoidMethodV(c.cls, c.method, args);
    va_end(args);
    c.Check(method);
}

jobject CallStaticObject(const char* cls, const char* method, const char* sig, ...) {
    StaticCall c(cls, method, sig);
    if (!c.method) return nullptr;
    va_list args;
    va_start(args, sig);
    jobject o = c.env->CallStaticObjectMethodV(c.cls, c.method, args);
    va_end(args);
    if (!c.Check(method) || !o) return nullptr;
    return c.env->NewGlobalRef(o);
}

void DeleteGlobal(jobject o) {
    if (JNIEnv* env = Env(); env && o) env->DeleteGlobalRef(o);
}

jstring JavaString(const std::string& text) { return Env()->NewStringUTF(text.c_str()); }

std::string Sim(const std::string& command) {
    JNIEnv* env = Env();
    if (!env) return "ERR no JVM";
    env->PushLocalFrame(4);
    jstring arg = env->NewStringUTF(command.c_str());
    std::string out = CallStaticString("com/orv/sim/SimControl", "command",
                                       "(Ljava/lang/String;)Ljava/lang/String;", arg);
    env->PopLocalFrame(nullptr);
    return out;
}

StdoutCapture::StdoutCapture(const std::string& path, int stream) : path_(path), stream_(stream) {
    std::fflush(stdout);
    std::fflush(stderr);
    saved_ = ::dup(stream_);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, stream_);
    ::close(fd);
}

StdoutCapture::~StdoutCapture() { Stop(); }

std::string StdoutCapture::Stop() {
    if (saved_ >= 0) {
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(saved_, stream_);
        ::close(saved_);
        saved_ = -1;
    }
    std::ifstream in(path_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace orv::so::test
