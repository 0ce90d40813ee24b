// OposJNI: the bridge one service object owns. It keeps the trace log, joins or starts the
// process's Java VM, creates the Java control of its device class and makes every Java call of
// the object: methods by name and JNI signature (looked up anew at each call), typed property
// helpers, DirectIO, and IsException, which turns a pending Java exception into an OPOS result
// and a trace text.
#pragma once

#include <jni.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/oleauto.h"
#include "so_core/jni_refs.h"
#include "platform/opos.h"
#include "so_core/trace_log.h"
#include "so_core/trace_mask.h"

namespace orv::so {

struct DioBytes;

// The trace texts and missing-method result of one OPOS method (null: no such line).
struct MethodTexts {
    const char* begin;
    const char* success;
    const char* missing;
    int32_t missingResult;
};

class OposJNI {
public:
    // Java texts copied for the trace (exception texts) stop at this many bytes.
    static constexpr size_t kMessageLimit = 1023;
    static constexpr jint kFrameCapacity = 32;

    // Never fails visibly: InitOk() tells whether the Java control exists, CreationError()
    // whether the previous trace could not be deleted or the JVM library cannot be loaded
    // (ERROR_MOD_NOT_FOUND): the object must then not be created.
    OposJNI(const char* logFileName, const char* javaClass);
    ~OposJNI();
    OposJNI(const OposJNI&) = delete;
    OposJNI& operator=(const OposJNI&) = delete;

    bool InitOk() const { return initOk_; }
    DWORD CreationError() const { return creationError_; }

    TraceLog& Log() const { return *log_; }
    const std::shared_ptr<TraceLog>& SharedLog() const { return log_; }
    void LogLine(std::string_view text) const { log_->Line(text); }

    // The Java control instance (global reference; also the object's key for events).
    jobject Control() const { return control_ ? control_->Get() : nullptr; }
    jclass ControlClass() const { return class_ ? static_cast<jclass>(class_->Get()) : nullptr; }
    // The environment for a Java call on this thread; null while the bridge is not initialised,
    // so such calls never reach the JVM.
    JNIEnv* Env() const;

    // The Java error code of the last IsException: 0 none, a JposException's error code, 111.
    int32_t PendingJavaError = 0;

    // Detects, clears and translates a pending exception. True when there was one; *result is
    // then 111 and *message its trace text.
    bool IsException(int32_t* result, std::string* message);
    // IsException, writing the text when there was an exception.
    bool LogPendingException();

    // A Java string from ANSI text, followed by IsException (its text is logged); the caller
    // goes on with a null string when creation failed.
    jstring NewString(std::string_view ansi);

    // The method pattern: begin line, lookup (missing-method line, exception text, fixed
    // result), call, IsException (text, 111) or success line and 0. PendingJavaError is
    // cleared afterwards. invoke(env, instance, method) passes the converted arguments; after a
    // call without exception, onSuccess(env) runs before the success line.
    template <class Invoke, class OnSuccess>
    int32_t CallMethod(const MethodTexts& texts, const char* name, const char* signature,
                       Invoke&& invoke, OnSuccess&& onSuccess);
    template <class Invoke>
    int32_t CallMethod(const MethodTexts& texts, const char* name, const char* signature,
                       Invoke&& invoke) {
        return CallMethod(texts, name, signature, std::forward<Invoke>(invoke), [](JNIEnv*) {});
    }

    // Typed property helpers. Getters return 0 / "[Error]" / an empty BSTR on failure and leave
    // the Java error code in PendingJavaError for the property dispatcher; setters return 0.
    int32_t GetBoolProperty(const char* method);
    int32_t SetBoolProperty(const char* method, int32_t value);
    int32_t GetIntProperty(const char* method);
    int32_t SetIntProperty(const char* method, int32_t value);
    std::string GetStringProperty(const char* method, Mask mask = Mask::None);
    int32_t SetStringProperty(const char* method, std::string_view text, Mask mask = Mask::None);
    BSTR GetBinaryProperty(const char* method, int32_t binaryConversion);

    // OPOS DirectIO: the command translated to the terminal's Java command code and argument
    // object, one call of the Java directIO. Returns 0 or 111 (also for unsupported commands).
    int32_t DirectIO(int32_t command, int32_t* pData, BSTR* pString);
    // The java.lang.Byte[] of DirectIO (arrayLength elements, values stored in order), with the
    // DirectIO failure lines; a local reference, or null after a failure (its text logged).
    // Each Byte's local reference is deleted as soon as it is stored.
    jobject NewByteObjects(JNIEnv* env, const DioBytes& bytes);

private:
    jmethodID BeginMethod(JNIEnv* env, const MethodTexts& texts, const char* name,
                          const char* signature);
    int32_t EndMethod(JNIEnv* env, const MethodTexts& texts);
    jmethodID PropertyLookup(JNIEnv* env, const char* method, const char* signature);
    void Teardown();

    std::shared_ptr<TraceLog> log_ = std::make_shared<TraceLog>();
    std::optional<jni::GlobalRef> control_;  // the Java control object
    std::optional<jni::GlobalRef> class_;    // its class
    JNIEnv* mpenv_ = nullptr;
    std::thread::id creator_;
    bool initOk_ = false;
    DWORD creationError_ = 0;
};

template <class Invoke, class OnSuccess>
int32_t OposJNI::CallMethod(const MethodTexts& texts, const char* name, const char* signature,
                            Invoke&& invoke, OnSuccess&& onSuccess) {
    if (texts.begin) LogLine(texts.begin);
    JNIEnv* env = Env();
    if (!env) {
        if (texts.missing) LogLine(texts.missing);
        return texts.missingResult;
    }
    LocalFrame frame(env, kFrameCapacity);
    const jmethodID method = BeginMethod(env, texts, name, signature);
    if (!method) return texts.missingResult;
    invoke(env, Control(), method);
    if (!env->ExceptionCheck()) onSuccess(env);
    return EndMethod(env, texts);
}

}  // namespace orv::so
