#include "so_core/java_text.h"

#include "platform/com_ptr.h"

namespace orv::so {

std::string ModifiedUtf8FromAnsi(std::string_view ansi) {
    // Windows-1252 maps into the basic plane and the text holds no NUL, so UTF-8 and modified
    // UTF-8 agree here; NUL bytes (only possible in a string_view) take the two-byte form.
    std::string out;
    out.reserve(ansi.size());
    bool plain = true;
    for (unsigned char c : ansi)
        if (c >= 0x80 || c == 0) plain = false;
    if (plain) return std::string(ansi);
    const std::u16string wide = Utf16FromAnsi(ansi);
    for (char16_t c : wide) {
        if (c != 0 && c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
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
