// MultiByteToWideChar / WideCharToMultiByte for the ANSI code page (Windows-1252) and UTF-8.
#include <cstring>

#include "codepage_tables.h"
#include "platform/win32.h"

namespace {

using orv::win32::Cp1252ToUnicode;
using orv::win32::DecodeUtf8;
using orv::win32::EncodeUtf8;
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
            char bytes[4];
            const int count = EncodeUtf8(cp, bytes);
            for (int b = 0; b < count; ++b) out.Put(bytes[b]);
        }
    }
    if (out.overflow()) return Fail(ERROR_INSUFFICIENT_BUFFER);
    if (out.too_long()) return Fail(ERROR_INVALID_PARAMETER);
    return out.count();
}

}  // extern "C"
