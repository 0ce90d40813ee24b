#include "so_core/java_text.h"

#include <algorithm>

#include "platform/com_ptr.h"

namespace orv::so {

std::string ModifiedUtf8FromAnsi(std::string_view ansi) {
    // Windows-1252 maps into the basic plane, so UTF-8 and modified UTF-8 differ only in NUL
    // (possible in a string_view), which takes the two-byte form.
    bool plain = true;
    for (unsigned char c : ansi)
        if (c >= 0x80 || c == 0) plain = false;
    if (plain) return std::string(ansi);  // the common case, already its own UTF-8
    std::string out;
    out.reserve(ansi.size() * 2);
    for (size_t start = 0; start <= ansi.size();) {
        const size_t nul = std::min(ansi.find('\0', start), ansi.size());
        out += Utf8FromUtf16(Utf16FromAnsi(ansi.substr(start, nul - start)));
        if (nul == ansi.size()) break;
        out += "\xC0\x80";
        start = nul + 1;
    }
    return out;
}

jstring NewJavaStringFromAnsi(JNIEnv* env, std::string_view ansi) {
    const std::string utf = ModifiedUtf8FromAnsi(ansi);
    return env->NewStringUTF(utf.c_str());
}

std::string AnsiFromJavaString(JNIEnv* env, jstring text, size_t limit) {
    if (!text) return {};
    jsize length = env->GetStringLength(text);
    if (length <= 0) return {};
    // Each UTF-16 unit becomes one ANSI byte (surrogate halves become '?' each).
    if (limit > 0 && static_cast<size_t>(length) > limit) length = static_cast<jsize>(limit);
    std::u16string wide(static_cast<size_t>(length), u'\0');
    env->GetStringRegion(text, 0, length, reinterpret_cast<jchar*>(wide.data()));
    if (env->ExceptionCheck()) return {};  // left pending for the caller's check
    return AnsiFromUtf16(wide);
}

}  // namespace orv::so
