// The captured signature as OPOS sees it, read from Java at every access: TotalPoints (the
// length of getPointArray), PointArray (4 bytes per point: x low, x high, y low, y high, each
// the low 16 bits of the Java int, then BinaryConversion) and RawData (the bytes of getRawData
// through the code page, without BinaryConversion).
#include <vector>

#include "sig_so.h"
#include "so_core/binary_conversion.h"

namespace orv::so::sigcap {
namespace {

constexpr const char* kPointArraySignature = "()[Ljava/awt/Point;";
constexpr const char* kMissingPointArray = "Failed to get Method ID for getPointArray";

BSTR EmptyBstr() { return SysAllocStringLen(nullptr, 0); }

// A call that threw: the fixed line first, then the exception's text.
bool LogCallFailure(OposJNI& bridge, const char* line) {
    int32_t result = 0;
    std::string message;
    if (!bridge.IsException(&result, &message)) return false;
    bridge.LogLine(line);
    bridge.LogLine(message);
    return true;
}

void StorePoint(uint8_t* out, jint x, jint y) {
    out[0] = static_cast<uint8_t>(x);
    out[1] = static_cast<uint8_t>(x >> 8);
    out[2] = static_cast<uint8_t>(y);
    out[3] = static_cast<uint8_t>(y >> 8);
}

}  // namespace

int32_t CSigSO::TotalPoints() {
    OposJNI& bridge = Core().Bridge();
    JNIEnv* env = bridge.Env();
    if (!env) {
        bridge.LogLine(kMissingPointArray);
        return 0;
    }
    LocalFrame frame(env, OposJNI::kFrameCapacity);
    const jmethodID method = env->GetMethodID(bridge.ControlClass(), "getPointArray",
                                              kPointArraySignature);
    if (!method) {
        bridge.LogLine(kMissingPointArray);
        bridge.LogPendingException();
        // This early return skips the error report; the missing method must not surface later
        // as a stale error on an unrelated property.
        bridge.PendingJavaError = 0;
        return 0;
    }
    LocalRef<jobjectArray> points(
        env, static_cast<jobjectArray>(env->CallObjectMethod(bridge.Control(), method)));
    int32_t count = 0;
    if (!bridge.LogPendingException() && points) count = env->GetArrayLength(points.Get());
    Core().ReportPropertyError();
    return count;
}

// The loop stops at the first step that fails (a null element, a missing field, an exception):
// the answer is then empty, never a buffer with holes, and the error is reported once.
BSTR CSigSO::PointArray() {
    OposJNI& bridge = Core().Bridge();
    JNIEnv* env = bridge.Env();
    if (!env) {
        bridge.LogLine(kMissingPointArray);
        bridge.PendingJavaError = OPOS_E_FAILURE;
        Core().ReportPropertyError();
        return EmptyBstr();
    }
    BSTR result = nullptr;
    {
        LocalFrame frame(env, OposJNI::kFrameCapacity);
        std::vector<uint8_t> bytes;
        bool failed = false;
        const jmethodID method = env->GetMethodID(bridge.ControlClass(), "getPointArray",
                                                  kPointArraySignature);
        if (!method) {
            bridge.LogLine(kMissingPointArray);
            bridge.LogPendingException();
            failed = true;
        }
        LocalRef<jobjectArray> points(env, nullptr);
        if (!failed) {
            points = LocalRef<jobjectArray>(
                env, static_cast<jobjectArray>(env->CallObjectMethod(bridge.Control(), method)));
            failed = LogCallFailure(bridge, "Failed to get CallObjectMethod for getPointArray");
        }
        // A null array is no signature.
        const jsize count = (!failed && points) ? env->GetArrayLength(points.Get()) : 0;
        jfieldID xField = nullptr, yField = nullptr;
        if (count > 0) {
            // Every element of a Point[] is a java.awt.Point: its fields serve all of them.
            LocalRef<jclass> pointClass(env, env->FindClass("java/awt/Point"));
            if (pointClass) xField = env->GetFieldID(pointClass.Get(), "x", "I");
            if (xField) yField = env->GetFieldID(pointClass.Get(), "y", "I");
            failed = !yField;
            if (failed && !bridge.LogPendingException()) bridge.PendingJavaError = OPOS_E_FAILURE;
        }
        if (!failed && count > 0) {
            bytes.assign(static_cast<size_t>(count) * 4, 0);
            for (jsize i = 0; i < count; ++i) {
                LocalRef<jobject> point(env, env->GetObjectArrayElement(points.Get(), i));
                if (!point) {
                    if (!bridge.LogPendingException()) {
                        bridge.LogLine("Null point in the point array");
                        bridge.PendingJavaError = OPOS_E_FAILURE;
                    }
                    failed = true;
                    break;
                }
                // A non-null element of a Point[] has both fields: these reads cannot fail.
                StorePoint(&bytes[static_cast<size_t>(i) * 4], env->GetIntField(point.Get(), xField),
                           env->GetIntField(point.Get(), yField));
            }
        }
        if (failed) {
            result = EmptyBstr();
        } else {
            std::optional<BSTR> converted =
                BinaryToBstr(bytes, Core().BinaryConversion(), &bridge.Log());
            if (converted) {
                result = *converted;
            } else {
                bridge.PendingJavaError = OPOS_E_FAILURE;
                result = EmptyBstr();
            }
        }
    }
    Core().ReportPropertyError();
    return result;
}

BSTR CSigSO::RawData() {
    OposJNI& bridge = Core().Bridge();
    JNIEnv* env = bridge.Env();
    BSTR result = nullptr;
    if (!env) {
        bridge.LogLine("Failed to get Method ID for getRawData");
        bridge.PendingJavaError = OPOS_E_FAILURE;
    } else {
        LocalFrame frame(env, OposJNI::kFrameCapacity);
        const jmethodID method = env->GetMethodID(bridge.ControlClass(), "getRawData", "()[B");
        if (!method) {
            bridge.LogLine("Failed to get Method ID for getRawData");
            bridge.LogPendingException();
        } else {
            LocalRef<jbyteArray> raw(
                env, static_cast<jbyteArray>(env->CallObjectMethod(bridge.Control(), method)));
            if (!LogCallFailure(bridge, "Failed to get CallObjectMethod for getRawData")) {
                const jsize count = raw ? env->GetArrayLength(raw.Get()) : 0;
                std::vector<uint8_t> bytes(static_cast<size_t>(count));
                if (count > 0)
                    env->GetByteArrayRegion(raw.Get(), 0, count,
                                            reinterpret_cast<jbyte*>(bytes.data()));
                if (!bridge.LogPendingException() && !bytes.empty()) {
                    // Through the code page, whatever BinaryConversion holds.
                    CBinBstr text(bytes.data(), bytes.size());
                    if (text.Ok()) {
                        result = text.Detach();
                    } else {
                        bridge.LogLine(CBinBstr::kConversionError);
                        bridge.PendingJavaError = OPOS_E_FAILURE;
                    }
                }
            }
        }
    }
    Core().ReportPropertyError();
    return result ? result : EmptyBstr();
}

}  // namespace orv::so::sigcap
