// Text conversions at COM boundaries: BSTR (UTF-16) to and from the ANSI code page and UTF-8.
#include <string>

#include "platform/com_ptr.h"
#include "platform/win32.h"

namespace orv {

namespace {

std::u16string Widen(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0);
    std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string Narrow(UINT codePage, std::u16string_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

std::u16string_view ViewOf(BSTR b) { return b ? std::u16string_view(b, SysStringLen(b)) : std::u16string_view(); }

BSTR ToBstr(const std::u16string& w) { return SysAllocStringLen(w.data(), static_cast<UINT>(w.size())); }

}  // namespace

BSTR BstrFromAnsi(std::string_view ansi) { return ToBstr(Widen(CP_ACP, ansi)); }
std::string AnsiFromBstr(BSTR b) { return Narrow(CP_ACP, ViewOf(b)); }
std::string AnsiFromUtf16(std::u16string_view text) { return Narrow(CP_ACP, text); }
std::u16string Utf16FromAnsi(std::string_view ansi) { return Widen(CP_ACP, ansi); }
BSTR BstrFromUtf8(std::string_view utf8) { return ToBstr(Widen(CP_UTF8, utf8)); }
std::string Utf8FromBstr(BSTR b) { return Narrow(CP_UTF8, ViewOf(b)); }
std::u16string Utf16FromUtf8(std::string_view utf8) { return Widen(CP_UTF8, utf8); }
std::string Utf8FromUtf16(std::u16string_view text) { return Narrow(CP_UTF8, text); }

}  // namespace orv
