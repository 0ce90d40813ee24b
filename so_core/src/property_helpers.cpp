// The typed property helpers of OposJNI: one Java getter or setter per call, looked up by name
// and signature, with the fixed trace lines around it.
#include <cstdio>
#include <vector>

#include "platform/com_ptr.h"
#include "so_core/binary_conversion.h"
#include "so_core/java_text.h"
#include "so_core/opos_jni.h"

namespace orv::so {
namespace {

std::string Format(const char* format, const char* name) {
    std::string out;
    const int n = std::snprintf(nullptr, 0, format, name);
    out.resize(static_cast<size_t>(n > 0 ? n : 0));
    std::snprintf(out.data(), out.size() + 1, format, name);
    return out;
}

std::string Format(const char* format, const char* name, long long value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, name, value);
    return buffer;
}

const char kErrorText[] = "[Error]";

}  // namespace

// The first line of every helper, then the lookup; a missing method writes its line and the
// NoSuchMethodError text and leaves 111 in PendingJavaError.
jmethodID OposJNI::PropertyLookup(JNIEnv* env, const char* method, const char* signature) {
    LogLine(Format("%s property", method));
    if (!env) {
        LogLine(Format("Failed to get Method ID for %s", method));
        PendingJavaError = OPOS_E_FAILURE;
        return nullptr;
    }
    const jmethodID id = env->GetMethodID(ControlClass(), method, signature);
    if (!id) {
        LogLine(Format("Failed to get Method ID for %s", method));
        LogPendingException();
    }
    return id;
}

int32_t OposJNI::GetBoolProperty(const char* method) {
    JNIEnv* env = Env();
    LocalFrame frame(env, kFrameCapacity);
    const jmethodID id = PropertyLookup(env, method, "()Z");
    if (!id) return 0;
    const jboolean value = env->CallBooleanMethod(Control(), id);
    if (LogPendingException()) return 0;
    const int32_t result = value ? 1 : 0;
    LogLine(Format("Get BOOL: %s property returns %lld", method, result));
    LogLine(Format("%s property is done", method));
    return result;
}

int32_t OposJNI::SetBoolProperty(const char* method, int32_t value) {
    JNIEnv* env = Env();
    LocalFrame frame(env, kFrameCapacity);
    const jmethodID id = PropertyLookup(env, method, "(Z)V");
    if (!id) return 0;
    env->CallVoidMethod(Control(), id, static_cast<jboolean>(value != 0 ? JNI_TRUE : JNI_FALSE));
    LogPendingException();
    LogLine(Format("Set BOOL: %s property to %lld", method, value));
    LogLine(Format("%s property is done", method));
    return 0;
}

int32_t OposJNI::GetIntProperty(const char* method) {
    JNIEnv* env = Env();
    LocalFrame frame(env, kFrameCapacity);
    const jmethodID id = PropertyLookup(env, method, "()I");
    if (!id) return 0;
    const jint value = env->CallIntMethod(Control(), id);
    if (LogPendingException()) return 0;
    LogLine(Format("Get Integer: Result of %s property is %lld", method, value));
    LogLine(Format("%s property is done", method));
    return value;
}

int32_t OposJNI::SetIntProperty(const char* method, int32_t value) {
    JNIEnv* env = Env();
    LocalFrame frame(env, kFrameCapacity);
    const jmethodID id = PropertyLookup(env, method, "(I)V");
    if (!id) return 0;
    env->CallVoidMethod(Control(), id, static_cast<jint>(value));
    LogPendingException();
    LogLine(Format("Set Interger:%s property to %lld", method, value));
    LogLine(Format("%s property is done", method));
    return 0;
}

std::string OposJNI::GetStringProperty(const char* method, Mask mask) {
    JNIEnv* env = Env();
    LocalFrame frame(env, kFrameCapacity);
    const jmethodID id = PropertyLookup(env, method, "()Ljava/lang/String;");
    if (!id) return kErrorText;
    LocalRef<jstring> value(env, static_cast<jstring>(env->CallObjectMethod(Control(), id)));
    if (LogPendingException()) {
        LogLine(Format("Failed to get ObjectMethod for %s", method));
        return kErrorText;
    }
    // A null string reads as empty; the whole text is kept (no fixed buffer to overrun).
    std::string text = AnsiFromJavaString(env, value.Get());
    if (LogPendingException()) return kErrorText;
    LogLine(Format("Get String: %s property is ", method) + ApplyMask(mask, text));
    LogLine(Format("%s property is done", method));
    return text;
}

int32_t OposJNI::SetStringProperty(const char* method, std::string_view text, Mask mask) {
    JNIEnv* env = Env();
    LocalFrame frame(env, kFrameCapacity);
    const jmethodID id = PropertyLookup(env, method, "(Ljava/lang/String;)V");
    if (!id) return 0;
    LocalRef<jstring> value(env, NewJavaStringFromAnsi(env, text));
    if (!LogPendingException()) {
        env->CallVoidMethod(Control(), id, value.Get());
        LogPendingException();
    }
    LogLine(Format("Set Property String: %s property to ", method) + ApplyMask(mask, text));
    LogLine(Format("%s property is done", method));
    return 0;
}

BSTR OposJNI::GetBinaryProperty(const char* method, int32_t binaryConversion) {
    JNIEnv* env = Env();
    LocalFrame frame(env, kFrameCapacity);
    const jmethodID id = PropertyLookup(env, method, "()[B");
    if (!id) return SysAllocStringLen(nullptr, 0);
    LocalRef<jbyteArray> array(env, static_cast<jbyteArray>(env->CallObjectMethod(Control(), id)));
    if (LogPendingException()) {
        LogLine(Format("Failed to get CallObjectMethod for %s", method));
        return SysAllocStringLen(nullptr, 0);
    }
    // A null array is no data.
    const jsize length = array ? env->GetArrayLength(array.Get()) : 0;
    if (LogPendingException()) return SysAllocStringLen(nullptr, 0);
    std::vector<uint8_t> bytes(static_cast<size_t>(length > 0 ? length : 0));
    if (!bytes.empty())
        env->GetByteArrayRegion(array.Get(), 0, length, reinterpret_cast<jbyte*>(bytes.data()));
    if (LogPendingException()) return SysAllocStringLen(nullptr, 0);
    std::optional<BSTR> converted = BinaryToBstr(bytes, binaryConversion, log_.get());
    if (!converted) {
        PendingJavaError = OPOS_E_FAILURE;  // the conversion error fails the property read
        return SysAllocStringLen(nullptr, 0);
    }
    LogLine(Format("%s property is done", method));
    return *converted;
}

}  // namespace orv::so
