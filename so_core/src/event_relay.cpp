#include "so_core/event_relay.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "so_core/binary_conversion.h"
#include "so_core/event_registry.h"
#include "so_core/java_text.h"
#include "so_core/jni_refs.h"
#include "so_core/opos_jni.h"

namespace orv::so {
namespace {

// Method IDs of the event classes, looked up once per class and method rather than once per
// event (each lookup walks the JVM's symbol tables on the event's path). An entry holds a global
// reference to its class, so the class stays loaded and the ID valid. Failed lookups are not
// kept: they go through the relay's logging each time.
class MethodIds {
public:
    static MethodIds& Instance() {
        static auto* ids = new MethodIds;  // never destroyed: Java threads may relay at exit
        return *ids;
    }

    jmethodID Get(JNIEnv* env, jclass cls, const char* name, const char* signature) {
        {
            std::lock_guard lock(mutex_);
            for (const Entry& e : entries_) {
                if (std::strcmp(e.name, name) == 0 && std::strcmp(e.signature, signature) == 0 &&
                    env->IsSameObject(e.cls, cls))
                    return e.id;
            }
        }
        const jmethodID id = env->GetMethodID(cls, name, signature);
        if (!id || env->ExceptionCheck()) return id;
        std::lock_guard lock(mutex_);
        if (entries_.size() < kMaxEntries) {
            const jclass global = static_cast<jclass>(env->NewGlobalRef(cls));
            if (global) entries_.push_back(Entry{global, name, signature, id});
        }
        return id;
    }

private:
    // A few event classes with a few getters each; more (classes loaded again and again) are
    // looked up each time rather than pinned.
    static constexpr size_t kMaxEntries = 64;
    struct Entry {
        jclass cls;
        const char* name;  // literals of this file
        const char* signature;
        jmethodID id;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

// One event on one Java thread: the relay's own exception check and getter calls, writing to
// the trace of the service object it found.
class Relay {
public:
    Relay(JNIEnv* env, jobject event) : env_(env), event_(event) {}

    // What every native does first: the event's source and the entry registered for it.
    bool FindTarget() {
        if (!event_) return false;
        eventClass_ = LocalRef<jclass>(env_, env_->GetObjectClass(event_));
        if (Check(nullptr) || !eventClass_) return false;
        const jmethodID getSource = MethodIds::Instance().Get(env_, eventClass_.Get(), "getSource",
                                                              "()Ljava/lang/Object;");
        if (Check(nullptr) || !getSource) return false;
        LocalRef<jobject> source(env_, env_->CallObjectMethod(event_, getSource));
        if (Check(nullptr) || !source) return false;
        target_ = EventTargetRegistry::Instance().Find(env_, source.Get());
        return target_ != nullptr;
    }

    // The event's first line waits for the next one (or the relay's end): two lines of the
    // same event in one write, one system call fewer on the event's path.
    void Hold(const char* text) { held_ = text; }
    void Line(std::string_view text) {
        if (held_ != nullptr) {
            target_->log->Lines({held_, text});
            held_ = nullptr;
        } else {
            target_->log->Line(text);
        }
    }
    void Release() {
        if (held_ != nullptr && target_) target_->log->Line(held_);
        held_ = nullptr;
    }
    const CoDispatchDriver& Driver() const { return *target_->driver; }

    // The relay's exception check: the exception's own text (at most 1023 bytes), no prefix.
    // With log, the text is written to the entry's trace.
    bool Check(TraceLog* log) {
        if (!env_->ExceptionCheck()) return false;
        LocalRef<jthrowable> exception(env_, env_->ExceptionOccurred());
        env_->ExceptionClear();
        std::string text;
        if (exception) {
            LocalRef<jclass> cls(env_, env_->GetObjectClass(exception.Get()));
            const jmethodID toString =
                cls ? env_->GetMethodID(cls.Get(), "toString", "()Ljava/lang/String;") : nullptr;
            if (toString) {
                LocalRef<jstring> s(env_, static_cast<jstring>(env_->CallObjectMethod(exception.Get(), toString)));
                if (!env_->ExceptionCheck()) text = AnsiFromJavaString(env_, s.Get(), OposJNI::kMessageLimit);
            }
            env_->ExceptionClear();
        }
        if (log) Line(text);
        return true;
    }
    bool Check() { return Check(target_->log.get()); }

    // Looks up an int getter; a missing one writes its line and the exception text.
    jmethodID IntGetter(const char* name, const char* missingLine) {
        const jmethodID id = MethodIds::Instance().Get(env_, eventClass_.Get(), name, "()I");
        if (!id) {
            if (missingLine) Line(missingLine);
            Check();
        }
        return id;
    }
    // Calls an int getter; false (text written) on an exception.
    bool CallInt(jmethodID id, int32_t* out) {
        *out = env_->CallIntMethod(event_, id);
        return !Check();
    }

    void Data();
    void StatusUpdate();
    void OutputComplete();
    void Error();
    void DirectIO();

private:
    JNIEnv* env_;
    jobject event_;
    LocalRef<jclass> eventClass_;
    std::shared_ptr<EventTarget> target_;
    const char* held_ = nullptr;  // a literal of this file
};

void Relay::Data() {
    Hold("EventJNI: Received Data Event");
    const jmethodID getStatus = IntGetter("getStatus", "Failed to get method id for getStatus");
    int32_t status = 0;
    if (!getStatus || !CallInt(getStatus, &status)) return;
    Line("Firing Data Event from eventjni");
    Driver().SOData(status);
}

void Relay::StatusUpdate() {
    Hold("EventJNI: Received Status Update Event");
    const jmethodID getStatus = IntGetter("getStatus", "Failed to get method id for getStatus");
    int32_t status = 0;
    if (!getStatus || !CallInt(getStatus, &status)) return;
    Line("Firing Status Update Event from eventjni");
    Driver().SOStatusUpdate(status);
}

void Relay::OutputComplete() {
    Hold("EventJNI: Received OutputComplete Event");
    const jmethodID getOutputID = IntGetter("getOutputID", "Failed to get method id for getOutputID");
    int32_t outputId = 0;
    if (!getOutputID || !CallInt(getOutputID, &outputId)) return;
    Line("Firing OutputComplete Event from eventjni");
    // Only a class whose callback list has SOOutputComplete hears of it.
    if (Driver().Has(Callback::OutputComplete)) Driver().SOOutputComplete(outputId);
}

void Relay::Error() {
    Hold("EventJNI: Received Error Event");
    const jmethodID getCode = IntGetter("getErrorCode", "Failed to get method id for getErrorCode");
    if (!getCode) return;
    const jmethodID getExtended =
        IntGetter("getErrorCodeExtended", "Failed to get method id for getErrorCodeExtended");
    if (!getExtended) return;
    const jmethodID getLocus = IntGetter("getErrorLocus", "Failed to get method id for getErrorLocus");
    if (!getLocus) return;
    // A missing getErrorResponse drops the event with its exception text: never call a null ID.
    const jmethodID getResponse = IntGetter("getErrorResponse", nullptr);
    if (!getResponse) return;
    int32_t code = 0, extended = 0, locus = 0, response = 0;
    if (!CallInt(getCode, &code) || !CallInt(getExtended, &extended) ||
        !CallInt(getLocus, &locus) || !CallInt(getResponse, &response))
        return;
    Line("Firing Error Event from eventjni");
    // What the control writes into the response is not passed back to Java.
    Driver().SOError(code, extended, locus, &response);
}

void Relay::DirectIO() {
    Hold("EventJNI: Received DirectIO Event");
    const jmethodID getNumber = env_->GetMethodID(eventClass_.Get(), "getEventNumber", "()I");
    if (!getNumber) {
        Line("Failed to get method ID for getEventNumber");
        Check();
        return;
    }
    const jmethodID getData = env_->GetMethodID(eventClass_.Get(), "getData", "()I");
    if (!getData) {
        Line("Failed to get method ID for getData");
        Check();
        return;
    }
    const jmethodID getObject = env_->GetMethodID(eventClass_.Get(), "getObject", "()Ljava/lang/Object;");
    if (!getObject) {
        Line("Failed to get method ID for getObject");
        Check();
        return;
    }
    int32_t number = 0, data = 0;
    if (!CallInt(getNumber, &number) || !CallInt(getData, &data)) return;
    LocalRef<jobject> object(env_, env_->CallObjectMethod(event_, getObject));
    if (Check()) return;
    if (!object) {
        Line("Failed to get DeviceIO object ");
        return;
    }
    LocalRef<jclass> objectClass(env_, env_->GetObjectClass(object.Get()));
    if (!objectClass) {
        Line("Failed to get DeviceIO class ");
        Check();
        return;
    }
    const jfieldID field = env_->GetFieldID(objectClass.Get(), "m_sDIOData", "Ljava/lang/String;");
    if (!field) {
        Line("Failed to get field m_sDIOData");
        Check();
        return;
    }
    LocalRef<jstring> value(env_, static_cast<jstring>(env_->GetObjectField(object.Get(), field)));
    if (Check()) return;
    // The answer text in the ANSI code page, made into a BSTR by CBinBstr.
    const std::string ansi = AnsiFromJavaString(env_, value.Get());
    if (Check()) return;
    CBinBstr text(reinterpret_cast<const uint8_t*>(ansi.data()), ansi.size());
    if (!text.Ok()) {
        Line(CBinBstr::kConversionError);
        return;
    }
    BSTR bstr = text.Detach();
    Line("Firing DirectIO Event from eventjni");
    Driver().SODirectIO(number, &data, &bstr);
    SysFreeString(bstr);  // whatever the control left there
}

}  // namespace

void RelayEvent(EventKind kind, JNIEnv* env, jobject event) noexcept {
    if (!env) return;
    try {
        Relay relay(env, event);
        if (!relay.FindTarget()) return;  // not ours: nothing is logged
        switch (kind) {
        case EventKind::Data: relay.Data(); break;
        case EventKind::StatusUpdate: relay.StatusUpdate(); break;
        case EventKind::OutputComplete: relay.OutputComplete(); break;
        case EventKind::Error: relay.Error(); break;
        case EventKind::DirectIO: relay.DirectIO(); break;
        }
        relay.Release();
    } catch (...) {
        // Out of memory inside the relay: the event is lost, the Java thread goes on.
    }
    if (env->ExceptionCheck()) env->ExceptionClear();
}

}  // namespace orv::so
