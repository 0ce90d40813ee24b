// The tone indicator class's device methods, dispatch map and the library's exports.
#include "tone_so.h"

#include "so_core/event_relay.h"
#include "so_core/so_exports.h"

namespace orv::so::tone {
namespace {

// ClearOutput answers a missing Java method as ClearInput does (12, not a result code).
constexpr MethodTexts kClearOutput{"Begin clearing Output", "Clear output is successfully done",
                                   "Failed to get Method ID for clearOutput",
                                   kClearInputMissingResult};
constexpr MethodTexts kSound{nullptr, nullptr, "Failed to get Method ID for sound", OPOS_E_FAILURE};
constexpr MethodTexts kSoundImmediate{nullptr, nullptr,
                                      "Failed to get Method ID for soundImmediate", OPOS_E_FAILURE};

}  // namespace

// The dispatch map: DISPIDs are these positions. There is no ClearInput.
std::span<const DispatchEntry> CToneSO::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        Entry(Common::GetPropertyNumber),
        Entry(Common::SetPropertyNumber),
        Entry(Common::SetPropertyStringIgnoredLong),
        Entry(Common::GetPropertyString),
        Entry(Common::OpenService),
        Entry(Common::Close),
        Entry(Common::Claim),
        Entry(Common::Release),
        Entry(Common::CheckHealth),
        Entry(Common::DirectIO),
        Entry(Common::COFreezeEvents),
        DispMethod<&CToneSO::ClearOutput, VT_I4>("ClearOutput"),
        DispMethod<&CToneSO::Sound, VT_I4, VT_I4, VT_I4>("Sound"),
        DispMethod<&CToneSO::SoundImmediate, VT_I4>("SoundImmediate"),
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

int32_t CToneSO::ClearOutput() {
    return Core().RecordResult(Core().Bridge().CallMethod(
        kClearOutput, "clearOutput", "()V",
        [](JNIEnv* env, jobject o, jmethodID m) { env->CallVoidMethod(o, m); }));
}

// The counts go to Java as given: the Java control answers a count it cannot sound (0, a
// negative other than JPOS_FOREVER) with an exception, which becomes 111.
int32_t CToneSO::Sound(int32_t numberOfCycles, int32_t interSoundWait) {
    return Core().RecordResult(Core().Bridge().CallMethod(
        kSound, "sound", "(II)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            env->CallVoidMethod(o, m, static_cast<jint>(numberOfCycles),
                                static_cast<jint>(interSoundWait));
        }));
}

int32_t CToneSO::SoundImmediate() {
    return Core().RecordResult(Core().Bridge().CallMethod(
        kSoundImmediate, "soundImmediate", "()V",
        [](JNIEnv* env, jobject o, jmethodID m) { env->CallVoidMethod(o, m); }));
}

}  // namespace orv::so::tone

ORV_SERVICE_OBJECT_EXPORTS(orv::so::tone::CToneSO, orv::so::tone::kIdentity)
ORV_SO_EVENT_NATIVES(Java_com_orv_jpos_tone_ToneOPOSEventCallbacks)
