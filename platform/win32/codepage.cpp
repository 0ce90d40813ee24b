// MultiByteToWideChar / WideCharToMultiByte for the ANSI code page (Windows-1252) and UTF-8.
#include <cstring>

#include "codepage_tables.h"
#include "platform/win32.h"

namespace {

using orv::win32::Cp1252ToUnicode;
using orv::win32::UnicodeToCp1252;

enum class CodePage { kInvalid, kAnsi, kUtf8 };

CodePage Resolve(UINT codePage) {
    switch (codePage) {
        case CP_ACP:
        case CP_THREAD_ACP:
        case 1252:
            return CodePage::kAnsi;
        case CP_UTF8:
            return CodePage::kUtf8;
        default:
            return CodePage::kInvalid;
    }
}

// Counts what a conversion produces and, when a buffer was given, stores it while it fits.
template <typename T>
class Sink {
public:
    Sink(T* buffer, int capacity) : buffer_(capacity > 0 ? buffer : nullptr), capacity_(capacity) {}

    void Put(T value) {
        if (buffer_ != nullptr) {
            if (count_ >= capacity_) {
                overflow_ = true;
                return;
            }
            buffer_[count_] = value;
        }
        ++count_;
    }
    bool overflow() const { return overflow_; }
    // Only a gigantic input can produce more than an int can count.
    bool too_long() const { return count_ > INT32_MAX; }
    int count() const { return static_cast<int>(count_); }

private:
    T* buffer_;
    int64_t capacity_;
    int64_t count_ = 0;
    bool overflow_ = false;
};

constexpr char16_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence starting at in[0] (n > 0 bytes available). Returns the number of
// bytes consumed and stores the code point, or -1 in *codePoint for an ill-formed sequence; an
// ill-formed sequence consumes its maximal valid prefix (at least one byte), the Unicode
// "maximal subpart" rule that Windows follows for U+FFFD substitution.
int DecodeUtf8(const unsigned char* in, size_t n, int32_t* codePoint) {
    const unsigned char lead = in[0];
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    }
    int trail;
    int32_t value;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the first trail byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        value = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // overlong
        if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        value = lead & 0x07;
        if (lead == 0xF0) low = 0x90;   // overlong
        if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        *codePoint = -1;
        return 1;
    }
    int used = 1;
    for (int i = 0; i < trail; ++i) {
        if (static_cast<size_t>(used) >= n) {
            *codePoint = -1;
            return used;
        }
        const unsigned char byte = in[used];
        const unsigned char lo = i == 0 ? low : 0x80;
        const unsigned char hi = i == 0 ? high : 0xBF;
        if (byte < lo || byte > hi) {
            *codePoint = -1;
            return used;
        }
        value = (value << 6) | (byte & 0x3F);
        ++used;
    }
    *codePoint = value;
    return used;
}

size_t WideLength(LPCWSTR text) {
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

}  // namespace

extern "C" {

ORV_API int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte,
                                       int cbMultiByte, LPWSTR wideChar, int cchWideChar) {
    if (multiByte == nullptr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && wideChar == nullptr) ||
        (cchWideChar > 0 && static_cast<const void*>(multiByte) == wideChar))
        return Fail(ERROR_INVALID_PARAMETER);
    const CodePage page = Resolve(codePage);
    if (page == CodePage::kInvalid) return Fail(ERROR_INVALID_PARAMETER);
    const DWORD allowed = page == CodePage::kUtf8
                              ? MB_ERR_INVALID_CHARS
                              : MB_PRECOMPOSED | MB_ERR_INVALID_CHARS | MB_USEGLYPHCHARS;
    if ((flags & ~allowed) != 0) return Fail(ERROR_INVALID_FLAGS);

    const auto* in = reinterpret_cast<const unsigned char*>(multiByte);
    const size_t length =
        cbMultiByte == -1 ? std::strlen(multiByte) + 1 : static_cast<size_t>(cbMultiByte);
    Sink<WCHAR> out(wideChar, cchWideChar);

    if (page == CodePage::kAnsi) {
        for (size_t i = 0; i < length; ++i) out.Put(Cp1252ToUnicode(in[i]));
    } else {
        size_t i = 0;
        while (i < length) {
            int32_t cp;
            i += static_cast<size_t>(DecodeUtf8(in + i, length - i, &cp));
            if (cp < 0) {
                if ((flags & MB_ERR_INVALID_CHARS) != 0) return Fail(ERROR_NO_UNICODE_TRANSLATION);
                out.Put(kReplacement);
            } else if (cp >= 0x10000) {
                cp -= 0x10000;
                out.Put(static_cast<WCHAR>(0xD800 + (cp >> 10)));
                out.Put(static_cast<WCHAR>(0xDC00 + (cp & 0x3FF)));
            } else {
                out.Put(static_cast<WCHAR>(cp));
            }
        }
    }
    if (out.overflow()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (out.too_long()) return Fail(ERROR_INVALID_PARAMETER);
    return out.count();
}

ORV_API int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideChar,
                                       int cchWideChar, LPSTR multiByte, int cbMultiByte,
                                       LPCSTR defaultChar, BOOL* usedDefaultChar) {
    if (wideChar == nullptr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && multiByte == nullptr) ||
        (cbMultiByte > 0 && static_cast<const void*>(wideChar) == multiByte))
        return Fail(ERROR_INVALID_PARAMETER);
    const CodePage page = Resolve(codePage);
    if (page == CodePage::kInvalid) return Fail(ERROR_INVALID_PARAMETER);
    if (page == CodePage::kUtf8) {
        if (defaultChar != nullptr || usedDefaultChar != nullptr)
            return Fail(ERROR_INVALID_PARAMETER);
        if ((flags & ~static_cast<DWORD>(WC_ERR_INVALID_CHARS)) != 0)
            return Fail(ERROR_INVALID_FLAGS);
    } else if ((flags & ~static_cast<DWORD>(WC_NO_BEST_FIT_CHARS)) != 0) {
        return Fail(ERROR_INVALID_FLAGS);
    }

    const size_t length =
        cchWideChar == -1 ? WideLength(wideChar) + 1 : static_cast<size_t>(cchWideChar);
    Sink<char> out(multiByte, cbMultiByte);

    if (page == CodePage::kAnsi) {
        // No best-fit mapping: a character the code page lacks always becomes the default
        // character, so text never silently turns into a look-alike.
        const char fallback = defaultChar != nullptr ? defaultChar[0] : '?';
        bool usedDefault = false;
        for (size_t i = 0; i < length; ++i) {
            const int byte = UnicodeToCp1252(wideChar[i]);
            if (byte < 0) {
                usedDefault = true;
                out.Put(fallback);
            } else {
                out.Put(static_cast<char>(byte));
            }
        }
        if (usedDefaultChar != nullptr) *usedDefaultChar = usedDefault ? TRUE : FALSE;
    } else {
        for (size_t i = 0; i < length; ++i) {
            uint32_t cp = wideChar[i];
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && wideChar[i + 1] >= 0xDC00 &&
                wideChar[i + 1] <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (wideChar[i + 1] - 0xDC00);
                ++i;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                if ((flags & WC_ERR_INVALID_CHARS) != 0) return Fail(ERROR_NO_UNICODE_TRANSLATION);
                cp = kReplacement;
            }
            if (cp < 0x80) {
                out.Put(static_cast<char>(cp));
            } else if (cp < 0x800) {
                out.Put(static_cast<char>(0xC0 | (cp >> 6)));
                out.Put(static_cast<char>(0x80 | (cp & 0x3F)));
            } else if (cp < 0x10000) {
                out.Put(static_cast<char>(0xE0 | (cp >> 12)));
                out.Put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
                out.Put(static_cast<char>(0x80 | (cp & 0x3F)));
            } else {
                out.Put(static_cast<char>(0xF0 | (cp >> 18)));
                out.Put(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
                out.Put(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
                out.Put(static_cast<char>(0x80 | (cp & 0x3F)));
            }
        }
    }
    if (out.overflow()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (out.too_long()) return Fail(ERROR_INVALID_PARAMETER);
    return out.count();
}

}  // extern "C"
