// OposJNI construction, teardown, IsException and the method pattern.
#include "so_core/opos_jni.h"

#include "so_core/java_text.h"
#include "so_core/jvm_host.h"
#include "so_core/service_settings.h"

namespace orv::so {
namespace {

// A thread that drops the last reference without being attached is attached under this name.
constexpr char kReleaseThreadName[] = "OPOS service object release";

constexpr MethodTexts kTeardownClose{"Begin closing", "Close is successully done",
                                     "Failed to get Method ID for close", OPOS_E_CLOSED};

}  // namespace

OposJNI::OposJNI(const char* logFileName, const char* javaClass)
    : creator_(std::this_thread::get_id()) {
    // The trace first: everything after it is reported there.
    const LogFolder folder = ReadLogFolder();
    creationError_ = log_->Open(folder.folder + logFileName);
    if (creationError_ != 0) return;
    LogLine(folder.messages);

    // Without its JVM library the object is not created, as a library importing it at load time
    // would not load; the trace and the debugger output say why.
    std::string jvmProblem;
    if (!LoadJvm(&jvmProblem)) {
        LogLine(jvmProblem);
        creationError_ = ERROR_MOD_NOT_FOUND;
        return;
    }

    const std::optional<std::string> classPath = ReadClassPathVariable();
    if (!classPath) {
        LogLine(" The Windows environment variable: CLASSPATH was not found.");
        LogLine("Exiting the application.");
        return;
    }

    const LibraryFolder libraries = ReadLibraryFolder();
    if (!libraries.keyOpened) LogLine("Failed to open class path from the registry");
    if (!libraries.valueRead) {
        LogLine("Failed to query Classpath from the registry");
        LogLine("Unable to determine valid java.library.path");
        return;
    }
    if (!libraries.keyClosed) LogLine("Failed to close the registry");

    const std::string classPathOption = "-Djava.class.path=" + *classPath;
    LogLine("Option 1:");
    LogLine(classPathOption);
    const std::string libraryPathOption = "-Djava.library.path=" + libraries.folder;
    LogLine(" Option 2");
    LogLine(libraryPathOption);

    JvmStart jvm = StartOrJoinJvm(classPathOption, libraryPathOption);
    for (const std::string& line : jvm.lines) LogLine(line);
    if (!jvm.env) return;
    mpenv_ = jvm.env;
    JNIEnv* env = mpenv_;

    LocalRef<jclass> cls(env, env->FindClass(javaClass));
    if (!cls) {
        LogLine("Can't find class name");
        LogPendingException();
        PendingJavaError = 0;
        return;
    }
    JavaVM* vm = nullptr;
    env->GetJavaVM(&vm);
    if (jobject global = env->NewGlobalRef(cls.Get())) class_.emplace(vm, global, kReleaseThreadName);
    if (!class_) {
        LogLine("Can't create global ref\n");
        if (env->ExceptionCheck()) env->ExceptionClear();
        return;
    }
    const jmethodID init = env->GetMethodID(ControlClass(), "<init>", "()V");
    if (!init) {
        LogLine("Can't find Init method\n");
        LogPendingException();
        PendingJavaError = 0;
        return;
    }
    LocalRef<jobject> instance(env, env->NewObject(ControlClass(), init));
    if (!instance || env->ExceptionCheck()) {
        LogLine("new object failed \n");
        LogPendingException();
        PendingJavaError = 0;
        return;
    }
    if (jobject global = env->NewGlobalRef(instance.Get()))
        control_.emplace(vm, global, kReleaseThreadName);
    if (!control_) {
        LogLine("New Global Ref MSR failed \n");
        LogPendingException();
        PendingJavaError = 0;
        return;
    }
    initOk_ = true;
}

OposJNI::~OposJNI() { Teardown(); }

void OposJNI::Teardown() {
    log_->Close();
    if (control_) CallMethod(kTeardownClose, "close", "()V", [](JNIEnv* env, jobject o, jmethodID m) {
        env->CallVoidMethod(o, m);
    });
    if (!mpenv_) return;
    JNIEnv* env = initOk_ ? Env() : (std::this_thread::get_id() == creator_ ? mpenv_
                                                                             : EnvForCurrentThread());
    if (!env) return;
    control_.reset();
    class_.reset();
}

JNIEnv* OposJNI::Env() const {
    if (!initOk_) return nullptr;
    // The object belongs to the thread that made it; a call from elsewhere gets that thread's
    // own environment rather than a foreign one.
    if (std::this_thread::get_id() == creator_) return mpenv_;
    return EnvForCurrentThread();
}

bool OposJNI::IsException(int32_t* result, std::string* message) {
    PendingJavaError = OPOS_E_FAILURE;
    message->clear();
    *result = OPOS_E_FAILURE;
    JNIEnv* env = initOk_ ? Env() : mpenv_;
    if (!env || !env->ExceptionCheck()) {
        PendingJavaError = 0;
        return false;
    }
    LocalRef<jthrowable> exception(env, env->ExceptionOccurred());
    if (!exception) {
        *message = "Error in IsException - mpenv->ExceptionOccurred()";
        LogLine(*message);
        return true;
    }
    env->ExceptionClear();
    LocalRef<jclass> exceptionClass(env, env->GetObjectClass(exception.Get()));
    if (!exceptionClass) {
        *message = "Error in IsException - mpenv->GetObjectClass()";
        LogLine(*message);
        return true;
    }
    auto textOf = [&](jmethodID toString) {
        LocalRef<jstring> text(env, static_cast<jstring>(env->CallObjectMethod(exception.Get(), toString)));
        std::string out;
        if (!env->ExceptionCheck()) out = AnsiFromJavaString(env, text.Get(), kMessageLimit);
        env->ExceptionClear();
        return out;
    };

    LocalRef<jclass> jposException(env, env->FindClass("jpos/JposException"));
    if (!jposException) env->ExceptionClear();  // no JavaPOS on the class path: a plain exception
    if (jposException && env->IsInstanceOf(exception.Get(), jposException.Get())) {
        const jmethodID getErrorCode = env->GetMethodID(exceptionClass.Get(), "getErrorCode", "()I");
        if (getErrorCode) {
            const jint code = env->CallIntMethod(exception.Get(), getErrorCode);
            if (env->ExceptionCheck())
                env->ExceptionClear();
            else
                PendingJavaError = code;
        } else {
            env->ExceptionClear();
        }
        const jmethodID toString =
            env->GetMethodID(exceptionClass.Get(), "toString", "()Ljava/lang/String;");
        if (!toString) {
            env->ExceptionClear();
            LogLine("IsException: failed to get methodID for toString");
        } else {
            *message = textOf(toString);
        }
        return true;
    }
    const jmethodID toString =
        env->GetMethodID(exceptionClass.Get(), "toString", "()Ljava/lang/String;");
    if (!toString) {
        env->ExceptionClear();
        LogLine("IsException: failed to get methodID for toString");
        *message = "Error in IsException - GetMethodID - toString";
        LogLine(*message);
        return true;
    }
    *message = "JavaException: " + textOf(toString);
    return true;
}

bool OposJNI::LogPendingException() {
    int32_t result = 0;
    std::string message;
    if (!IsException(&result, &message)) return false;
    LogLine(message);
    return true;
}

jstring OposJNI::NewString(std::string_view ansi) {
    JNIEnv* env = Env();
    if (!env) return nullptr;
    jstring s = NewJavaStringFromAnsi(env, ansi);
    LogPendingException();
    return s;
}

jmethodID OposJNI::BeginMethod(JNIEnv* env, const MethodTexts& texts, const char* name,
                               const char* signature) {
    const jmethodID method = env->GetMethodID(ControlClass(), name, signature);
    if (method) return method;
    if (texts.missing) LogLine(texts.missing);
    LogPendingException();
    PendingJavaError = 0;
    return nullptr;
}

int32_t OposJNI::EndMethod(JNIEnv*, const MethodTexts& texts) {
    int32_t result = 0;
    std::string message;
    const bool failed = IsException(&result, &message);
    PendingJavaError = 0;
    if (failed) {
        LogLine(message);
        return OPOS_E_FAILURE;
    }
    if (texts.success) LogLine(texts.success);
    return OPOS_SUCCESS;
}

}  // namespace orv::so
