// The PIN pad's device methods, Amount and its dispatch map.
#include "pin_so.h"

#include "platform/com_ptr.h"
#include "so_core/java_text.h"

namespace orv::so::pinpad {
namespace {

void CallVoid(JNIEnv* env, jobject o, jmethodID m) { env->CallVoidMethod(o, m); }

}  // namespace

// The dispatch map: DISPIDs are these positions, fixed for every PIN pad control.
std::span<const DispatchEntry> CPinSO::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        DispMethod<&CPinSO::BeginEFTTransaction, VT_I4, VT_BSTR, VT_I4>("BeginEFTTransaction"),
        DispMethod<&CPinSO::ComputeMAC, VT_I4, VT_BSTR, VT_BSTR | VT_BYREF>("ComputeMAC"),
        DispMethod<&CPinSO::EnablePINEntry, VT_I4>("EnablePINEntry"),
        DispMethod<&CPinSO::EndEFTTransaction, VT_I4, VT_I4>("EndEFTTransaction"),
        DispMethod<&CPinSO::UpdateKey, VT_I4, VT_I4, VT_BSTR>("UpdateKey"),
        DispMethod<&CPinSO::VerifyMAC, VT_BOOL, VT_BSTR>("VerifyMAC"),
        Entry(Common::CheckHealth),
        Entry(Common::Claim),
        Entry(Common::ClearInput),
        Entry(Common::Close),
        Entry(Common::DirectIO),
        Entry(Common::Release),
        Entry(Common::GetPropertyNumber),
        Entry(Common::GetPropertyString),
        Entry(Common::SetPropertyNumber),
        Entry(Common::SetPropertyString),
        DispMethod<&CPinSO::GetAmount, VT_CY>("GetAmount"),
        DispMethod<&CPinSO::SetAmount, VT_EMPTY, VT_CY>("SetAmount"),
        Entry(Common::OpenService),
        Entry(Common::COFreezeEvents),
        Entry(Common::ClaimDevice),
        Entry(Common::ReleaseDevice),
        Entry(Common::CompareFirmwareVersion),
        Entry(Common::ResetStatistics),
        Entry(Common::RetrieveStatistics),
        Entry(Common::UpdateFirmware),
        Entry(Common::UpdateStatistics),
    };
    return kMembers;
}

int32_t CPinSO::BeginEFTTransaction(const char* pinPadSystem, int32_t transactionHost) {
    return Core().DeviceMethod(
        "Failed to get Method ID for BeginEFTTransaction", "beginEFTTransaction",
        "(Ljava/lang/String;I)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            LocalRef<jstring> system(env, Core().Bridge().NewString(pinPadSystem));
            env->CallVoidMethod(o, m, system.Get(), static_cast<jint>(transactionHost));
        });
}

int32_t CPinSO::ComputeMAC(const char* inMsg, BSTR* outMsg) {
    OposJNI& bridge = Core().Bridge();
    jobjectArray holder = nullptr;  // lives in the call's local frame
    return Core().DeviceMethod(
        "Failed to get Method ID for ComputeMAC", "computeMAC",
        "(Ljava/lang/String;[Ljava/lang/String;)V",
        [&](JNIEnv* env, jobject o, jmethodID m) {
            LocalRef<jstring> in(env, bridge.NewString(inMsg));
            // The output holder: a one-element String array holding the buffer's current text.
            LocalRef<jstring> current(env, bridge.NewString(AnsiFromBstr(*outMsg)));
            LocalRef<jclass> stringClass(env, env->FindClass("java/lang/String"));
            if (!stringClass) bridge.LogPendingException();
            if (stringClass) {
                holder = env->NewObjectArray(1, stringClass.Get(), current.Get());
                if (!holder) bridge.LogPendingException();
            }
            env->CallVoidMethod(o, m, in.Get(), holder);
        },
        [&](JNIEnv* env) {
            LocalRef<jstring> result(
                env, holder ? static_cast<jstring>(env->GetObjectArrayElement(holder, 0)) : nullptr);
            if (env->ExceptionCheck()) return;  // reported as the call's failure
            const std::string text = AnsiFromJavaString(env, result.Get());
            if (env->ExceptionCheck()) return;
            SysFreeString(*outMsg);
            *outMsg = BstrFromAnsi(text);
        });
}

int32_t CPinSO::EnablePINEntry() {
    return Core().DeviceMethod("Failed to get Method ID for enablePINEntry", "enablePINEntry",
                               "()V", CallVoid);
}

int32_t CPinSO::EndEFTTransaction(int32_t completionCode) {
    return Core().DeviceMethod("Failed to get Method ID for EndEFTTransaction",
                               "endEFTTransaction", "(I)V",
                               [completionCode](JNIEnv* env, jobject o, jmethodID m) {
                                   env->CallVoidMethod(o, m, static_cast<jint>(completionCode));
                               });
}

int32_t CPinSO::UpdateKey(int32_t keyNum, const char* key) {
    return Core().DeviceMethod("Failed to get Method ID for UpdateKey", "updateKey",
                               "(ILjava/lang/String;)V", [&](JNIEnv* env, jobject o, jmethodID m) {
                                   LocalRef<jstring> k(env, Core().Bridge().NewString(key));
                                   env->CallVoidMethod(o, m, static_cast<jint>(keyNum), k.Get());
                               });
}

// A BOOL, not a result code: TRUE when the MAC verifies, and also when the Java method is
// missing (the 106 recorded then is nonzero, which the dispatch layer reports as TRUE).
int32_t CPinSO::VerifyMAC(const char* message) {
    const MethodTexts texts{nullptr, nullptr, "Failed to get Method ID for VerifyMAC", OPOS_E_ILLEGAL};
    const int32_t result = Core().Bridge().CallMethod(
        texts, "verifyMAC", "(Ljava/lang/String;)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            LocalRef<jstring> text(env, Core().Bridge().NewString(message));
            env->CallVoidMethod(o, m, text.Get());
        });
    if (result == OPOS_E_ILLEGAL) return Core().RecordResult(OPOS_E_ILLEGAL);
    if (result != OPOS_SUCCESS) {
        Core().RecordResult(OPOS_E_FAILURE);
        return FALSE;
    }
    return TRUE;
}

// A JavaPOS amount and an OPOS CURRENCY both carry four implied decimals: no conversion.
CY CPinSO::GetAmount() {
    const MethodTexts texts{"Begin GetAmount", nullptr, "Failed to get Method ID", 0};
    jlong amount = 0;
    const int32_t result = Core().Bridge().CallMethod(
        texts, "getAmount", "()J",
        [&](JNIEnv* env, jobject o, jmethodID m) { amount = env->CallLongMethod(o, m); });
    CY out{};
    out.int64 = result == OPOS_SUCCESS ? amount : 0;
    return out;
}

void CPinSO::SetAmount(CY amount) {
    const MethodTexts texts{"setAmount", "SetAmount is done", "Failed to get Method ID", 0};
    const int32_t result = Core().Bridge().CallMethod(
        texts, "setAmount", "(J)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            env->CallVoidMethod(o, m, static_cast<jlong>(amount.int64));
        });
    if (result == OPOS_E_FAILURE) Core().Bridge().LogLine("SetAmount is done");
}

}  // namespace orv::so::pinpad
