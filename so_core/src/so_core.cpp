// The common service-object methods and the property dispatcher.
#include "so_core/so_core.h"

#include "platform/com_ptr.h"
#include "so_core/event_natives.h"

namespace orv::so {
namespace {

// The common methods: Java name and signature, trace texts, missing-method result.
struct CoreMethod {
    const char* java;
    const char* signature;
    MethodTexts texts;
};

constexpr CoreMethod kOpen{"open", "(Ljava/lang/String;)V",
                           {"Begin OpenService", nullptr, "Failed to get Method ID for OpenService",
                            OPOS_E_NOSERVICE}};
constexpr CoreMethod kClose{"close", "()V",
                            {"Begin closing", "Close is successully done",
                             "Failed to get Method ID for close", OPOS_E_CLOSED}};
constexpr CoreMethod kClaim{"claim", "(I)V",
                            {"Begin claiming", "Claim is successfully done",
                             "Failed to get Method ID for claim", OPOS_E_CLAIMED}};
constexpr CoreMethod kRelease{"release", "()V",
                              {"Begin Releasing device", "Release is successfully done",
                               "Failed to get Method ID for release", OPOS_E_FAILURE}};
constexpr CoreMethod kCheckHealth{"checkHealth", "(I)V",
                                  {"Begin checking health", "Check Health is successfully done",
                                   nullptr, OPOS_E_FAILURE}};
constexpr CoreMethod kClearInput{"clearInput", "()V",
                                 {"Begin clearing input", "Clear Input is successfully done",
                                  "Failed to get Method ID for ClearInput", kClearInputMissingResult}};
constexpr CoreMethod kCompareFirmware{
    "compareFirmwareVersion", "(Ljava/lang/String;J)V",
    {"OposJNI Begin Compare Firmware Version...", "CompareFirmwareVersion successful.",
     "Failed to get Method ID for CompareFirmwareVersion", OPOS_E_ILLEGAL}};
constexpr CoreMethod kResetStatistics{
    "resetStatistics", "(Ljava/lang/String;)V",
    {"OposJNI Begin reset statistics...", "ResetStatistics successful.",
     "Failed to get Method ID for ResetStatistics", OPOS_E_ILLEGAL}};
constexpr CoreMethod kRetrieveStatistics{
    "retrieveStatistics", "(Ljava/lang/String;)V",
    {"OposJNI Begin retrieve statistics...", "RetrieveStatistics successful.",
     "Failed to get Method ID for RetrieveStatistics", OPOS_E_ILLEGAL}};
constexpr CoreMethod kUpdateFirmware{
    "updateFirmware", "(Ljava/lang/String;)V",
    {"OposJNI Begin update firmware...", "UpdateFirmware successful.",
     "Failed to get Method ID for UpdateFirmware", OPOS_E_ILLEGAL}};
constexpr CoreMethod kUpdateStatistics{
    "updateStatistics", "(Ljava/lang/String;)V",
    {"OposJNI Begin update statistics...", "UpdateStatistics successful.",
     "Failed to get Method ID for UpdateStatistics", OPOS_E_ILLEGAL}};

constexpr const char kUnknownStringProperty[] = "[Error: Automation?]";

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

}  // namespace

SoCore::SoCore(const SoIdentity& identity)
    : identity_(identity),
      bridge_(identity.logFileName, identity.javaClass),
      driver_(std::make_shared<CoDispatchDriver>(identity.callbacks)) {}

SoCore::~SoCore() {
    // Events for a destroyed object must not reach it: the entry goes before the Java control's
    // global reference (its key) does.
    Unregister();
    driver_->ReleaseDispatch();
}

void SoCore::Unregister() {
    if (!registered_) return;
    EventTargetRegistry::Instance().Unregister(bridge_.Control());
    registered_ = false;
}

int32_t SoCore::OpenService(const char* /*deviceClass*/, const char* deviceName,
                            IDispatch* control) {
    if (!bridge_.InitOk()) return OPOS_E_FAILURE;  // nothing logged, nothing recorded
    if (identity_.traits.openBeginLine) bridge_.LogLine(identity_.traits.openBeginLine);
    // Before the Java control is opened, so its first event already reaches this library.
    if (!BindEventNatives(bridge_)) return OPOS_E_NOSERVICE;  // the reason is in the trace
    JNIEnv* env = bridge_.Env();
    LocalFrame frame(env, OposJNI::kFrameCapacity);
    LocalRef<jstring> name(env, bridge_.NewString(deviceName ? deviceName : ""));
    const jmethodID open = env->GetMethodID(bridge_.ControlClass(), kOpen.java, kOpen.signature);
    if (!open) {
        bridge_.LogLine(kOpen.texts.missing);
        bridge_.LogPendingException();
        bridge_.PendingJavaError = 0;
        return OPOS_E_NOSERVICE;  // not recorded
    }
    env->CallVoidMethod(bridge_.Control(), open, name.Get());
    if (bridge_.LogPendingException()) {
        bridge_.PendingJavaError = 0;
        if (!identity_.traits.openFallback) return RecordResult(OPOS_E_FAILURE);
        const OpenRetry retry = identity_.traits.openFallback(bridge_, deviceName ? deviceName : "");
        if (retry.result != OPOS_SUCCESS) return retry.result;  // not recorded
        LocalRef<jstring> second(env, bridge_.NewString(retry.name));
        env->CallVoidMethod(bridge_.Control(), open, second.Get());
        if (bridge_.LogPendingException()) {
            bridge_.PendingJavaError = 0;
            return RecordResult(OPOS_E_FAILURE);
        }
    }
    if (!driver_->AttachAndLookUp(control)) return RecordResult(OPOS_E_NOSERVICE);
    resultCodeExtended_ = 0;
    binaryConversion_ = 0;
    if (!registered_) {
        auto target = std::make_shared<EventTarget>();
        target->driver = driver_;
        target->log = bridge_.SharedLog();
        EventTargetRegistry::Instance().Register(bridge_.Control(), std::move(target));
        registered_ = true;
    }
    if (identity_.traits.openEndLine) bridge_.LogLine(identity_.traits.openEndLine);
    return RecordResult(OPOS_SUCCESS);
}

int32_t SoCore::Close() {
    const int32_t result = bridge_.CallMethod(kClose.texts, kClose.java, kClose.signature,
                                              [](JNIEnv* env, jobject o, jmethodID m) {
                                                  env->CallVoidMethod(o, m);
                                              });
    driver_->ReleaseDispatch();
    Unregister();  // no events for a closed object
    return RecordResult(result);
}

int32_t SoCore::CallClaim(int32_t timeout) {
    return bridge_.CallMethod(kClaim.texts, kClaim.java, kClaim.signature,
                              [timeout](JNIEnv* env, jobject o, jmethodID m) {
                                  env->CallVoidMethod(o, m, static_cast<jint>(timeout));
                              });
}

int32_t SoCore::CallRelease() {
    return bridge_.CallMethod(kRelease.texts, kRelease.java, kRelease.signature,
                              [](JNIEnv* env, jobject o, jmethodID m) { env->CallVoidMethod(o, m); });
}

int32_t SoCore::Claim(int32_t timeout) { return RecordResult(CallClaim(timeout)); }

int32_t SoCore::ClaimDevice(int32_t timeout) {
    return identity_.traits.recordsClaimDevice ? Claim(timeout) : CallClaim(timeout);
}

int32_t SoCore::Release() { return RecordResult(CallRelease()); }

int32_t SoCore::ReleaseDevice() {
    return identity_.traits.recordsClaimDevice ? Release() : CallRelease();
}

int32_t SoCore::CheckHealth(int32_t level) {
    return RecordResult(bridge_.CallMethod(kCheckHealth.texts, kCheckHealth.java,
                                           kCheckHealth.signature,
                                           [level](JNIEnv* env, jobject o, jmethodID m) {
                                               env->CallVoidMethod(o, m, static_cast<jint>(level));
                                           }));
}

int32_t SoCore::ClearInput() {
    return RecordResult(bridge_.CallMethod(kClearInput.texts, kClearInput.java,
                                           kClearInput.signature,
                                           [](JNIEnv* env, jobject o, jmethodID m) {
                                               env->CallVoidMethod(o, m);
                                           }));
}

int32_t SoCore::DirectIO(int32_t command, int32_t* pData, BSTR* pString) {
    return RecordResult(bridge_.DirectIO(command, pData, pString));
}

int32_t SoCore::COFreezeEvents(int32_t freeze) {
    bridge_.SetBoolProperty("setFreezeEvents", freeze);
    bridge_.PendingJavaError = 0;  // a method: its failure never surfaces in a later property
    return 1;
}

int32_t SoCore::StringMethod(const MethodTexts& texts, const char* java, const char* text) {
    return bridge_.CallMethod(texts, java, "(Ljava/lang/String;)V",
                              [this, text](JNIEnv* env, jobject o, jmethodID m) {
                                  LocalRef<jstring> s(env, bridge_.NewString(text ? text : ""));
                                  env->CallVoidMethod(o, m, s.Get());
                              });
}

int32_t SoCore::CompareFirmwareVersion(const char* fileName, int32_t result) {
    return StatisticsResult(bridge_.CallMethod(kCompareFirmware.texts, kCompareFirmware.java,
                              kCompareFirmware.signature,
                              [this, fileName, result](JNIEnv* env, jobject o, jmethodID m) {
                                  LocalRef<jstring> s(env, bridge_.NewString(fileName ? fileName : ""));
                                  env->CallVoidMethod(o, m, s.Get(), static_cast<jlong>(result));
                              }));
}

int32_t SoCore::ResetStatistics(const char* buffer) {
    return StatisticsResult(StringMethod(kResetStatistics.texts, kResetStatistics.java, buffer));
}

int32_t SoCore::RetrieveStatistics(BSTR* buffer) {
    // The caller's text goes to Java; the buffer is left as it is.
    const std::string text = buffer ? AnsiFromBstr(*buffer) : std::string();
    return StatisticsResult(
        StringMethod(kRetrieveStatistics.texts, kRetrieveStatistics.java, text.c_str()));
}

int32_t SoCore::UpdateFirmware(const char* fileName) {
    return StatisticsResult(StringMethod(kUpdateFirmware.texts, kUpdateFirmware.java, fileName));
}

int32_t SoCore::UpdateStatistics(const char* buffer) {
    return StatisticsResult(StringMethod(kUpdateStatistics.texts, kUpdateStatistics.java, buffer));
}

void SoCore::ReportPropertyError() {
    const int32_t code = bridge_.PendingJavaError;
    if (code <= 0) return;
    bridge_.PendingJavaError = 0;
    RecordResult(code);
    if (identity_.traits.propertyErrors == PropertyErrors::RecordOnly) return;
    int32_t response = 0;  // its value after the call is not used
    driver_->SOError(code, 0, 0, &response);
}

int32_t SoCore::GetPropertyNumber(int32_t index) {
    switch (index) {
    case PIDX_ResultCode: return resultCode_;
    case PIDX_ResultCodeExtended: return resultCodeExtended_;
    case PIDX_BinaryConversion: return binaryConversion_;
    default: break;
    }
    const NumberGetRow* row = FindRow(identity_.properties.numberGet, index);
    if (!row) return identity_.traits.unknownNumberGet == UnknownNumberGet::Index ? index : 0;
    int32_t value = 0;
    switch (row->kind) {
    case NumberGet::Bool: value = bridge_.GetBoolProperty(row->java); break;
    case NumberGet::Int: value = bridge_.GetIntProperty(row->java); break;
    case NumberGet::Constant: value = row->constant; break;
    }
    ReportPropertyError();
    return value;
}

void SoCore::SetPropertyNumber(int32_t index, int32_t number) {
    if (index == PIDX_BinaryConversion) {
        binaryConversion_ = number;  // as given: any value but 1 and 2 converts nothing
        return;
    }
    const NumberSetRow* row = FindRow(identity_.properties.numberSet, index);
    if (!row) {
        if (identity_.traits.unknownNumberSet == UnknownNumberSet::RecordIllegal)
            RecordResult(OPOS_E_ILLEGAL);
        return;
    }
    switch (row->kind) {
    case NumberSet::Bool: bridge_.SetBoolProperty(row->java, number); break;
    case NumberSet::Int: bridge_.SetIntProperty(row->java, number); break;
    case NumberSet::FixedText: bridge_.SetStringProperty(row->java, row->text ? row->text : ""); break;
    }
    ReportPropertyError();
}

BSTR SoCore::GetPropertyString(int32_t index) {
    const StringGetRow* row = FindRow(identity_.properties.stringGet, index);
    if (!row) return BstrFromAnsi(kUnknownStringProperty);
    BSTR result = nullptr;
    switch (row->kind) {
    case StringGet::String: {
        std::string text = bridge_.GetStringProperty(row->java, row->mask);
        if (row->fix == TextFix::JposToOpos) text = ReplaceAll(std::move(text), "JPOS", "OPOS");
        result = BstrFromAnsi(text);
        break;
    }
    case StringGet::Binary:
        result = bridge_.GetBinaryProperty(row->java, binaryConversion_);
        break;
    case StringGet::IntAsName: {
        const int32_t value = bridge_.GetIntProperty(row->java);
        const char* name = "";
        for (const NamedValue& n : row->names)
            if (n.value == value) name = n.name;
        result = BstrFromAnsi(name);
        break;
    }
    }
    ReportPropertyError();
    return result;
}

void SoCore::SetPropertyString(int32_t index, const char* text) {
    const char* value = text ? text : "";
    const StringSetRow* row = FindRow(identity_.properties.stringSet, index);
    if (!row) {
        RecordResult(OPOS_E_ILLEGAL);
        return;
    }
    switch (row->kind) {
    case StringSet::String: bridge_.SetStringProperty(row->java, value, row->mask); break;
    case StringSet::NameAsInt: {
        const NamedValue* found = nullptr;
        for (const NamedValue& n : row->names)
            if (std::string_view(n.name) == value) found = &n;
        if (!found) {
            // No number stands for an unknown name: refuse rather than send a guess.
            RecordResult(OPOS_E_ILLEGAL);
            return;
        }
        bridge_.SetIntProperty(row->java, found->value);
        break;
    }
    }
    ReportPropertyError();
}

}  // namespace orv::so
