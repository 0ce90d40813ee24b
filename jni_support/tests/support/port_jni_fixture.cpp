#include "port_jni_fixture.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdarg>

#include "jvm_harness.h"

namespace orv::jni::test {

namespace fs = std::filesystem;

constexpr char kCallbackLog[] = "com/orv/porttest/CallbackLog";

void PortJniTest::SetUp() {
    env_ = ThreadEnv();
    ASSERT_NE(env_, nullptr) << "no JVM";
    home_ = fs::current_path();
    work_ = fs::temp_directory_path() /
            (binding_.workPrefix + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(work_);
    fs::create_directories(work_);
    fs::current_path(work_);
}

void PortJniTest::TearDown() {
    for (jobject port : ports_) {
        Close(port);
        env_->DeleteGlobalRef(port);
    }
    ports_.clear();
    if (work_.empty()) return;
    fs::current_path(home_);
    fs::remove_all(work_);
}

JNIEnv* PortJniTest::ThreadEnv() const {
    return Jvm(TestClassPath({"port_test_classes.jar", binding_.testJar}), TestLibraryPath());
}

jobject PortJniTest::NewPort(const char* className) {
    env_->PushLocalFrame(8);
    jclass cls = env_->FindClass(className != nullptr ? className : binding_.recordingClass);
    jobject port = cls ? env_->NewObject(cls, env_->GetMethodID(cls, "<init>", "()V")) : nullptr;
    jobject global = port ? env_->NewGlobalRef(port) : nullptr;
    TakeException(env_);
    env_->PopLocalFrame(nullptr);
    if (global != nullptr) ports_.push_back(global);
    return global;
}

jint PortJniTest::CallInt(JNIEnv* env, jobject port, const char* name, const char* signature, ...) {
    env->PushLocalFrame(8);
    jmethodID method = env->GetMethodID(env->GetObjectClass(port), name, signature);
    va_list args;
    va_start(args, signature);
    const jint result = env->CallIntMethodV(port, method, args);
    va_end(args);
    EXPECT_FALSE(TakeException(env)) << name;
    env->PopLocalFrame(nullptr);
    return result;
}

jint PortJniTest::Close(jobject port) {
    return CallInt(env_, port, "Close", "()I");
}

jint PortJniTest::Write(jobject port, const ByteVector& bytes, jint length) {
    env_->PushLocalFrame(8);
    jbyteArray array = env_->NewByteArray(jsize(bytes.size()));
    env_->SetByteArrayRegion(array, 0, jsize(bytes.size()),
                             reinterpret_cast<const jbyte*>(bytes.data()));
    const jint result = CallInt(env_, port, "Write", "([BI)I", array, length);
    env_->PopLocalFrame(nullptr);
    return result;
}

jobject PortJniTest::Await(jobject port, const char* method, const char* resultType, jlong ms) {
    jclass unitClass = env_->FindClass("java/util/concurrent/TimeUnit");
    jobject milliseconds = env_->GetStaticObjectField(
        unitClass,
        env_->GetStaticFieldID(unitClass, "MILLISECONDS", "Ljava/util/concurrent/TimeUnit;"));
    const std::string signature = std::string("(JLjava/util/concurrent/TimeUnit;)") + resultType;
    jmethodID id = env_->GetMethodID(env_->GetObjectClass(port), method, signature.c_str());
    jobject result = env_->CallObjectMethod(port, id, ms, milliseconds);
    return TakeException(env_) ? nullptr : result;
}

std::optional<ByteVector> PortJniTest::NextData(jobject port, jlong ms) {
    env_->PushLocalFrame(8);
    auto array = static_cast<jbyteArray>(Await(port, "awaitData", "[B", ms));
    std::optional<ByteVector> result;
    if (array != nullptr) result = Bytes(env_, array);
    env_->PopLocalFrame(nullptr);
    return result;
}

std::string PortJniTest::NextError(jobject port, jlong ms) {
    env_->PushLocalFrame(8);
    jobject error = Await(port, "awaitError", "Lcom/orv/comm/PortError;", ms);
    std::string result;
    if (error != nullptr) {
        jclass errorClass = env_->GetObjectClass(error);
        const jint code = env_->CallIntMethod(error, env_->GetMethodID(errorClass, "code", "()I"));
        auto message = static_cast<jstring>(env_->CallObjectMethod(
            error, env_->GetMethodID(errorClass, "message", "()Ljava/lang/String;")));
        if (!TakeException(env_)) result = std::to_string(code) + ":" + Text(env_, message);
    }
    env_->PopLocalFrame(nullptr);
    return result;
}

jobject PortJniTest::CallbackLogOf(jobject port) {
    jfieldID field =
        env_->GetFieldID(env_->GetObjectClass(port), "log", "Lcom/orv/porttest/CallbackLog;");
    return field != nullptr ? env_->GetObjectField(port, field) : nullptr;
}

std::string PortJniTest::CallbackThreads(jobject port) {
    env_->PushLocalFrame(8);
    jobject log = CallbackLogOf(port);
    jmethodID method =
        env_->GetMethodID(env_->FindClass(kCallbackLog), "threads", "()Ljava/lang/String;");
    auto text =
        log != nullptr ? static_cast<jstring>(env_->CallObjectMethod(log, method)) : nullptr;
    std::string result = TakeException(env_) ? std::string() : Text(env_, text);
    env_->PopLocalFrame(nullptr);
    return result;
}

bool PortJniTest::CallbackOnDaemon(jobject port) {
    env_->PushLocalFrame(8);
    jobject log = CallbackLogOf(port);
    jmethodID method = env_->GetMethodID(env_->FindClass(kCallbackLog), "onDaemon", "()Z");
    const bool daemon = log != nullptr && env_->CallBooleanMethod(log, method) == JNI_TRUE;
    const bool failed = TakeException(env_);
    env_->PopLocalFrame(nullptr);
    return !failed && daemon;
}

void PortJniTest::RefuseNextBlock(jobject port) {
    env_->PushLocalFrame(8);
    jobject log = CallbackLogOf(port);
    jmethodID method = env_->GetMethodID(env_->FindClass(kCallbackLog), "refuseNextBlock", "()V");
    if (log != nullptr) env_->CallVoidMethod(log, method);
    EXPECT_FALSE(TakeException(env_));
    env_->PopLocalFrame(nullptr);
}

int PortJniTest::LiveCallbackThreads() {
    env_->PushLocalFrame(8);
    jclass cls = env_->FindClass(kCallbackLog);
    jmethodID method = env_->GetStaticMethodID(cls, "liveThreadsNamed", "(Ljava/lang/String;)I");
    const int count =
        env_->CallStaticIntMethod(cls, method, env_->NewStringUTF(binding_.callbackThread));
    TakeException(env_);
    env_->PopLocalFrame(nullptr);
    return count;
}

void* PortJniTest::NativeSymbol(const char* symbol) const {
    const std::string path = TestLibraryPath() + "/" + binding_.library;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    return library != nullptr ? dlsym(library, symbol) : nullptr;
}

int PortJniTest::OpenLogHandles() const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (fs::read_symlink(entry.path(), ec).filename() == binding_.logFile) ++count;
    }
    return count;
}

}  // namespace orv::jni::test
