// The line display's thirteen display methods and its dispatch map.
#include "line_so.h"

namespace orv::so::linedisplay {

// The dispatch map: DISPIDs are these positions, fixed for every line display control.
std::span<const DispatchEntry> CLineSO::DispatchMembers() {
    static constexpr DispatchEntry kMembers[] = {
        Entry(Common::GetPropertyNumber),
        Entry(Common::SetPropertyNumber),
        Entry(Common::SetPropertyStringIgnored),
        Entry(Common::OpenService),
        Entry(Common::Close),
        Entry(Common::Claim),
        Entry(Common::Release),
        Entry(Common::CheckHealth),
        Entry(Common::DirectIO),
        DispMethod<&CLineSO::ClearText, VT_I4>("ClearText"),
        DispMethod<&CLineSO::DisplayText, VT_I4, VT_BSTR, VT_I4>("DisplayText"),
        Entry(Common::COFreezeEvents),
        Entry(Common::GetPropertyString),
        DispMethod<&CLineSO::DisplayTextAt, VT_I4, VT_I4, VT_I4, VT_BSTR, VT_I4>("DisplayTextAt"),
        DispMethod<&CLineSO::ScrollText, VT_I4, VT_I4, VT_I4>("ScrollText"),
        DispMethod<&CLineSO::ClearDescriptors, VT_I4>("ClearDescriptors"),
        DispMethod<&CLineSO::SetDescriptor, VT_I4, VT_I4, VT_I4>("SetDescriptor"),
        DispMethod<&CLineSO::CreateWindow, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4>(
            "CreateWindow"),
        DispMethod<&CLineSO::DestroyWindow, VT_I4>("DestroyWindow"),
        DispMethod<&CLineSO::RefreshWindow, VT_I4, VT_I4>("RefreshWindow"),
        DispMethod<&CLineSO::ReadCharacterAtCursor, VT_I4, VT_I4>("ReadCharacterAtCursor"),
        DispMethod<&CLineSO::DisplayBitmap, VT_I4, VT_BSTR, VT_I4, VT_I4, VT_I4>("DisplayBitmap"),
        DispMethod<&CLineSO::SetBitmap, VT_I4, VT_I4, VT_BSTR, VT_I4, VT_I4, VT_I4>("SetBitmap"),
        DispMethod<&CLineSO::DefineGlyph, VT_EMPTY, VT_I4, VT_I4>("defineGlyph"),
        Entry(Common::ClaimDevice),
        Entry(Common::ReleaseDevice),
        Entry(Common::ResetStatistics),
        Entry(Common::RetrieveStatistics),
        Entry(Common::UpdateFirmware),
        Entry(Common::UpdateStatistics),
        Entry(Common::CompareFirmwareVersion),
    };
    static_assert(std::size(kMembers) == 31, "the line display service object has 31 members");
    return kMembers;
}

template <class Body>
int32_t CLineSO::DisplayMethod(const char* missingLine, int32_t missingResult, const char* name,
                               const char* signature, Body&& invoke) {
    const MethodTexts texts{nullptr, nullptr, missingLine, missingResult};
    bool stringsMade = true;
    const int32_t result = Core().Bridge().CallMethod(
        texts, name, signature,
        [&](JNIEnv* env, jobject o, jmethodID m) { stringsMade = invoke(env, o, m); });
    // The exception text was written when the string failed; the call was not made.
    if (!stringsMade) return Core().RecordResult(OPOS_E_FAILURE);
    return result;
}

namespace {

// Every display method's Java method returns void.
template <class... A>
bool Call(JNIEnv* env, jobject o, jmethodID m, A... args) {
    env->CallVoidMethod(o, m, args...);
    return true;
}

}  // namespace

int32_t CLineSO::ClearText() {
    return DisplayMethod("Failed to get Method ID for ClearText", kMissingNoArgs, "clearText",
                         "()V",
                         [](JNIEnv* env, jobject o, jmethodID m) { return Call(env, o, m); });
}

int32_t CLineSO::DisplayText(const char* data, int32_t attribute) {
    return DisplayMethod("Failed to get Method ID for DisplayText", OPOS_E_FAILURE, "displayText",
                         "(Ljava/lang/String;I)V", [&](JNIEnv* env, jobject o, jmethodID m) {
                             LocalRef<jstring> text(env,
                                                    Core().Bridge().NewString(data ? data : ""));
                             if (!text) return false;
                             return Call(env, o, m, text.Get(), static_cast<jint>(attribute));
                         });
}

int32_t CLineSO::DisplayTextAt(int32_t row, int32_t column, const char* data, int32_t attribute) {
    return DisplayMethod(
        "Failed to get Method ID for DisplayTextAt", OPOS_E_FAILURE, "displayTextAt",
        "(IILjava/lang/String;I)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            LocalRef<jstring> text(env, Core().Bridge().NewString(data ? data : ""));
            if (!text) return false;
            return Call(env, o, m, static_cast<jint>(row), static_cast<jint>(column), text.Get(),
                        static_cast<jint>(attribute));
        });
}

int32_t CLineSO::ScrollText(int32_t direction, int32_t units) {
    return DisplayMethod("Failed to get Method ID for ScrollText", OPOS_E_FAILURE, "scrollText",
                         "(II)V", [&](JNIEnv* env, jobject o, jmethodID m) {
                             return Call(env, o, m, static_cast<jint>(direction),
                                         static_cast<jint>(units));
                         });
}

int32_t CLineSO::ClearDescriptors() {
    return DisplayMethod("Failed to get Method ID for ClearDescriptors", kMissingNoArgs,
                         "clearDescriptors", "()V",
                         [](JNIEnv* env, jobject o, jmethodID m) { return Call(env, o, m); });
}

int32_t CLineSO::SetDescriptor(int32_t descriptor, int32_t attribute) {
    return DisplayMethod("Failed to get Method ID for SetDescriptor", OPOS_E_FAILURE,
                         "setDescriptor", "(II)V", [&](JNIEnv* env, jobject o, jmethodID m) {
                             return Call(env, o, m, static_cast<jint>(descriptor),
                                         static_cast<jint>(attribute));
                         });
}

int32_t CLineSO::CreateWindow(int32_t viewportRow, int32_t viewportColumn, int32_t viewportHeight,
                              int32_t viewportWidth, int32_t windowHeight, int32_t windowWidth) {
    return DisplayMethod(
        "Failed to get Method ID for CreateWindow", OPOS_E_FAILURE, "createWindow", "(IIIIII)V",
        [&](JNIEnv* env, jobject o, jmethodID m) {
            return Call(env, o, m, static_cast<jint>(viewportRow),
                        static_cast<jint>(viewportColumn), static_cast<jint>(viewportHeight),
                        static_cast<jint>(viewportWidth), static_cast<jint>(windowHeight),
                        static_cast<jint>(windowWidth));
        });
}

int32_t CLineSO::DestroyWindow() {
    return DisplayMethod("Failed to get Method ID for LineDestroyWindow", kMissingNoArgs,
                         "destroyWindow", "()V",
                         [](JNIEnv* env, jobject o, jmethodID m) { return Call(env, o, m); });
}

int32_t CLineSO::RefreshWindow(int32_t window) {
    return DisplayMethod("Failed to get Method ID for RefreshWindow", OPOS_E_FAILURE,
                         "refreshWindow", "(I)V", [&](JNIEnv* env, jobject o, jmethodID m) {
                             return Call(env, o, m, static_cast<jint>(window));
                         });
}

// The long goes by value: the character read cannot come back through this interface.
int32_t CLineSO::ReadCharacterAtCursor(int32_t cursorData) {
    return DisplayMethod("Failed to get Method ID for ReadCharacterAtCursor", OPOS_E_FAILURE,
                         "readCharacterAtCursor", "(I)V", [&](JNIEnv* env, jobject o, jmethodID m) {
                             return Call(env, o, m, static_cast<jint>(cursorData));
                         });
}

int32_t CLineSO::DisplayBitmap(const char* fileName, int32_t width, int32_t alignmentX,
                               int32_t alignmentY) {
    return DisplayMethod(
        "Failed to get Method ID for DisplayBitmap", OPOS_E_FAILURE, "displayBitmap",
        "(Ljava/lang/String;III)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            LocalRef<jstring> file(env, Core().Bridge().NewString(fileName ? fileName : ""));
            if (!file) return false;
            return Call(env, o, m, file.Get(), static_cast<jint>(width),
                        static_cast<jint>(alignmentX), static_cast<jint>(alignmentY));
        });
}

int32_t CLineSO::SetBitmap(int32_t number, const char* fileName, int32_t width, int32_t alignmentX,
                           int32_t alignmentY) {
    return DisplayMethod(
        "Failed to get Method ID for SetBitmap", OPOS_E_FAILURE, "setBitmap",
        "(ILjava/lang/String;III)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            LocalRef<jstring> file(env, Core().Bridge().NewString(fileName ? fileName : ""));
            if (!file) return false;
            return Call(env, o, m, static_cast<jint>(number), file.Get(), static_cast<jint>(width),
                        static_cast<jint>(alignmentX), static_cast<jint>(alignmentY));
        });
}

// No result for the caller, so every outcome is recorded: 111 missing, 104 when Java threw, 0.
void CLineSO::DefineGlyph(int32_t glyphCode, int32_t glyph) {
    const MethodTexts texts{nullptr, nullptr, "Failed to get Method ID for defineGlyph",
                            OPOS_E_FAILURE};
    bool called = false;
    const int32_t result = Core().Bridge().CallMethod(
        texts, "defineGlyph", "(II)V", [&](JNIEnv* env, jobject o, jmethodID m) {
            called = Call(env, o, m, static_cast<jint>(glyphCode), static_cast<jint>(glyph));
        });
    if (!called) {
        Core().RecordResult(OPOS_E_FAILURE);
        return;
    }
    Core().RecordResult(result == OPOS_SUCCESS ? OPOS_SUCCESS : OPOS_E_NOSERVICE);
}

}  // namespace orv::so::linedisplay
