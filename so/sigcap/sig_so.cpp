// The signature capture device methods and the dispatch map.
#include "sig_so.h"

namespace orv::so::sigcap {

// The dispatch map: DISPIDs are these positions, fixed for every signature capture control.
std::span<const DispatchEntry> CSigSO::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        DispMethod<&CSigSO::NumberProperty, VT_I4, VT_I4>("GetPropertyNumber"),
        Entry(Common::SetPropertyNumber),
        Entry(Common::SetPropertyStringIgnoredLong),
        Entry(Common::OpenService),
        Entry(Common::Close),
        Entry(Common::Claim),
        Entry(Common::Release),
        Entry(Common::CheckHealth),
        Entry(Common::DirectIO),
        Entry(Common::COFreezeEvents),
        Entry(Common::ClearInput),
        DispMethod<&CSigSO::BeginCapture, VT_I4, VT_BSTR>("BeginCapture"),
        DispMethod<&CSigSO::EndCapture, VT_I4>("EndCapture"),
        DispMethod<&CSigSO::StringProperty, VT_BSTR, VT_I4>("GetPropertyString"),
        Entry(Common::ClaimDevice),
        Entry(Common::ReleaseDevice),
        Entry(Common::CompareFirmwareVersion),
        Entry(Common::ResetStatistics),
        Entry(Common::RetrieveStatistics),
        Entry(Common::UpdateFirmware),
        Entry(Common::UpdateStatistics),
    };
    static_assert(std::size(kMembers) == 21, "the signature capture service object has 21 members");
    return kMembers;
}

// A missing Java method is a failure here (111), not an illegal call. A form name that cannot
// become a Java string ends the method at once: Java is never called with a null form.
int32_t CSigSO::BeginCapture(const char* formName) {
    OposJNI& bridge = Core().Bridge();
    const MethodTexts texts{"BeginCapture", nullptr, "Failed to get Method ID for beginCapture",
                            OPOS_E_FAILURE};
    bool noString = false;
    const int32_t result = bridge.CallMethod(
        texts, "beginCapture", "(Ljava/lang/String;)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            LocalRef<jstring> form(env, bridge.NewString(formName ? formName : ""));
            if (!form) {
                noString = true;
                return;
            }
            env->CallVoidMethod(o, m, form.Get());
        });
    if (noString) return Core().RecordResult(OPOS_E_FAILURE);
    if (result == OPOS_SUCCESS) bridge.LogLine("End of BeginCapture");
    return Core().RecordResult(result);
}

int32_t CSigSO::EndCapture() {
    const MethodTexts texts{"EndCapture", "End of EndCapture", "Failed to get Method ID for endCapture",
                            OPOS_E_FAILURE};
    return Core().RecordResult(Core().Bridge().CallMethod(
        texts, "endCapture", "()V",
        [](JNIEnv* env, jobject o, jmethodID m) { env->CallVoidMethod(o, m); }));
}

int32_t CSigSO::NumberProperty(int32_t index) {
    if (index == PIDX_TotalPoints) return TotalPoints();
    return Core().GetPropertyNumber(index);
}

BSTR CSigSO::StringProperty(int32_t index) {
    if (index == PIDX_RawData) return RawData();
    if (index == PIDX_PointArray) return PointArray();
    return Core().GetPropertyString(index);
}

}  // namespace orv::so::sigcap
