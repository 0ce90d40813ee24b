// The scanner's dispatch map and its own DirectIO.
#include "scan_so.h"

#include "platform/com_ptr.h"
#include "scan_hex.h"
#include "so_core/directio_plan.h"

namespace orv::so::scanner {

// The dispatch map: DISPIDs are these positions, fixed for every scanner control.
std::span<const DispatchEntry> CScannerSO::DispatchMembers() {
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
        DispMethod<&CScannerSO::DirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>(
            "DirectIO"),
        Entry(Common::COFreezeEvents),
        Entry(Common::ClearInput),
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

int32_t CScannerSO::DirectIO(int32_t command, int32_t* /*pData*/, BSTR* pString) {
    OposJNI& bridge = Core().Bridge();
    JNIEnv* env = bridge.Env();
    if (!env) return OPOS_E_FAILURE;
    const std::string text = pString ? AnsiFromBstr(*pString) : std::string();

    // The byte string is checked whole before any Java object exists: a bad one sends nothing.
    HexPairs bytes;
    if (command == 1) {
        bytes = ParseHexPairs(text);
        if (!bytes.error.empty()) {
            bridge.LogLine(bytes.error);
            return OPOS_E_FAILURE;
        }
    }

    // This thread never returns to Java: every reference made here goes with the frame, and
    // the per-byte ones sooner (NewByteObjects).
    LocalFrame frame(env, OposJNI::kFrameCapacity);
    auto fail = [&bridge] {
        bridge.PendingJavaError = 0;
        return OPOS_E_FAILURE;
    };
    LocalRef<jobject> argument;
    if (command != 1) {
        // The text's UTF-16 form, so ANSI letters above 0x7F arrive as the same characters.
        const std::u16string wide = Utf16FromAnsi(text);
        argument =
            LocalRef<jobject>(env, env->NewString(reinterpret_cast<const jchar*>(wide.data()),
                                                  static_cast<jsize>(wide.size())));
        if (bridge.LogPendingException()) return fail();
    }
    const jmethodID directIO =
        env->GetMethodID(bridge.ControlClass(), "directIO", "(I[ILjava/lang/Object;)V");
    if (!directIO) {
        bridge.LogLine("Failed to get Method ID for DirectIO ");
        bridge.LogPendingException();
        return fail();
    }
    if (command == 1) {
        const DioBytes array{bytes.bytes.size(), bytes.bytes};
        argument = LocalRef<jobject>(env, bridge.NewByteObjects(env, array));
        if (!argument) return fail();
    }
    env->CallVoidMethod(bridge.Control(), directIO, static_cast<jint>(command), nullptr,
                        argument.Get());
    const bool failed = bridge.LogPendingException();
    bridge.PendingJavaError = 0;
    return failed ? OPOS_E_FAILURE : OPOS_SUCCESS;
}

}  // namespace orv::so::scanner
