#include "sim_terminal.h"

namespace orv::co::test {
namespace {

JavaVM* Vm() {
    JavaVM* vm = nullptr;
    jsize count = 0;
    if (JNI_GetCreatedJavaVMs(&vm, 1, &count) != JNI_OK || count < 1) return nullptr;
    return vm;
}

JNIEnv* Env() {
    JavaVM* vm = Vm();
    if (!vm) return nullptr;
    void* env = nullptr;
    if (vm->GetEnv(&env, JNI_VERSION_1_4) == JNI_OK) return static_cast<JNIEnv*>(env);
    if (vm->AttachCurrentThreadAsDaemon(&env, nullptr) != JNI_OK) return nullptr;
    return static_cast<JNIEnv*>(env);
}

bool Failed(JNIEnv* env) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionDescribe();
    env->ExceptionClear();
    return true;
}

// Deletes a local reference at scope end.
class Local {
public:
    Local(JNIEnv* env, jobject o) : env_(env), o_(o) {}
    ~Local() {
        if (o_) env_->DeleteLocalRef(o_);
    }
    Local(const Local&) = delete;
    Local& operator=(const Local&) = delete;
    jobject get() const { return o_; }
    explicit operator bool() const { return o_ != nullptr; }

private:
    JNIEnv* env_;
    jobject o_;
};

}  // namespace

bool SimTerminal::Available() {
    return Vm() != nullptr;
}

std::string SimTerminal::Command(const std::string& line) {
    JNIEnv* env = Env();
    if (!env) return "JNI: no JVM";
    Local cls(env, env->FindClass("com/orv/sim/SimControl"));
    if (Failed(env) || !cls) return "JNI: no SimControl";
    jmethodID command = env->GetStaticMethodID(static_cast<jclass>(cls.get()), "command",
                                               "(Ljava/lang/String;)Ljava/lang/String;");
    if (Failed(env) || !command) return "JNI: no command()";
    Local text(env, env->NewStringUTF(line.c_str()));
    if (Failed(env) || !text) return "JNI: no memory";
    Local answer(env,
                 env->CallStaticObjectMethod(static_cast<jclass>(cls.get()), command, text.get()));
    if (Failed(env) || !answer) return "JNI: command() failed";
    const char* chars = env->GetStringUTFChars(static_cast<jstring>(answer.get()), nullptr);
    std::string result = chars ? chars : "";
    if (chars) env->ReleaseStringUTFChars(static_cast<jstring>(answer.get()), chars);
    return result;
}

JavaEventRaiser::JavaEventRaiser(const std::string& device) {
    JNIEnv* env = Env();
    if (!env) return;
    Local terminalClass(env, env->FindClass("com/orv/sim/terminal/Terminal"));
    if (Failed(env) || !terminalClass) return;
    auto tc = static_cast<jclass>(terminalClass.get());
    jmethodID get = env->GetStaticMethodID(tc, "get", "()Lcom/orv/sim/terminal/Terminal;");
    jmethodID active = env->GetMethodID(tc, "activeService",
                                        "(Ljava/lang/String;)Lcom/orv/sim/device/DeviceService;");
    if (Failed(env) || !get || !active) return;
    Local terminal(env, env->CallStaticObjectMethod(tc, get));
    if (Failed(env) || !terminal) return;
    Local name(env, env->NewStringUTF(device.c_str()));
    if (Failed(env) || !name) return;
    Local service(env, env->CallObjectMethod(terminal.get(), active, name.get()));
    if (Failed(env) || !service) return;
    Local serviceClass(env, env->GetObjectClass(service.get()));
    jmethodID sourceOf =
        env->GetMethodID(static_cast<jclass>(serviceClass.get()), "source", "()Ljava/lang/Object;");
    if (Failed(env) || !sourceOf) return;
    Local source(env, env->CallObjectMethod(service.get(), sourceOf));
    if (Failed(env) || !source) return;
    Local controlClass(env, env->FindClass("jpos/BaseJposControl"));
    if (Failed(env) || !controlClass) return;
    jmethodID callbacksOf =
        env->GetMethodID(static_cast<jclass>(controlClass.get()), "getEventCallbacks",
                         "()Lcom/orv/jpos/OposEventCallbacks;");
    if (Failed(env) || !callbacksOf) return;
    Local callbacks(env, env->CallObjectMethod(source.get(), callbacksOf));
    if (Failed(env) || !callbacks) return;
    Local callbacksClass(env, env->FindClass("com/orv/jpos/OposEventCallbacks"));
    Local dataClass(env, env->FindClass("jpos/events/DataEvent"));
    Local statusClass(env, env->FindClass("jpos/events/StatusUpdateEvent"));
    if (Failed(env) || !callbacksClass || !dataClass || !statusClass) return;
    relay_ = env->GetMethodID(static_cast<jclass>(callbacksClass.get()), "relay",
                              "(Ljpos/events/JposEvent;)V");
    dataInit_ =
        env->GetMethodID(static_cast<jclass>(dataClass.get()), "<init>", "(Ljava/lang/Object;I)V");
    statusInit_ = env->GetMethodID(static_cast<jclass>(statusClass.get()), "<init>",
                                   "(Ljava/lang/Object;I)V");
    if (Failed(env) || !relay_ || !dataInit_ || !statusInit_) return;
    source_ = env->NewGlobalRef(source.get());
    dataEvent_ = static_cast<jclass>(env->NewGlobalRef(dataClass.get()));
    statusEvent_ = static_cast<jclass>(env->NewGlobalRef(statusClass.get()));
    callbacks_ = env->NewGlobalRef(callbacks.get());
}

JavaEventRaiser::~JavaEventRaiser() {
    JNIEnv* env = Env();
    if (!env) return;
    for (jobject ref : {source_, callbacks_, static_cast<jobject>(dataEvent_),
                        static_cast<jobject>(statusEvent_)})
        if (ref) env->DeleteGlobalRef(ref);
}

bool JavaEventRaiser::Relay(jclass eventClass, jmethodID constructor, int32_t status) {
    if (!callbacks_) return false;
    JNIEnv* env = Env();
    if (!env) return false;
    Local event(env, env->NewObject(eventClass, constructor, source_, static_cast<jint>(status)));
    if (Failed(env) || !event) return false;
    env->CallVoidMethod(callbacks_, relay_, event.get());
    return !Failed(env);
}

bool JavaEventRaiser::Data(int32_t status) {
    return Relay(dataEvent_, dataInit_, status);
}
bool JavaEventRaiser::StatusUpdate(int32_t status) {
    return Relay(statusEvent_, statusInit_, status);
}

}  // namespace orv::co::test
