#include "so_core/binary_conversion.h"

#include <climits>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/opos.h"
#include "so_core/trace_log.h"

namespace orv::so {

namespace {

// One writer per form, for text and for BSTRs alike: out has room for 2 (3) per byte.
template <class Char>
void WriteNibbles(std::span<const uint8_t> bytes, Char* out) {
    for (uint8_t b : bytes) {
        *out++ = static_cast<Char>((b >> 4) + 0x30);
        *out++ = static_cast<Char>((b & 0x0F) + 0x30);
    }
}

template <class Char>
void WriteDecimals(std::span<const uint8_t> bytes, Char* out) {
    for (uint8_t b : bytes) {
        *out++ = static_cast<Char>('0' + b / 100);
        *out++ = static_cast<Char>('0' + (b / 10) % 10);
        *out++ = static_cast<Char>('0' + b % 10);
    }
}

// The nibble and decimal forms are plain ASCII, the same in every code page: written straight
// into the BSTR, without a code page conversion.
template <size_t Width, void (*Write)(std::span<const uint8_t>, OLECHAR*)>
BSTR AsciiFormBstr(std::span<const uint8_t> bytes) {
    BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(bytes.size() * Width));
    if (b) Write(bytes, b);
    return b;
}

}  // namespace

std::string NibbleText(std::span<const uint8_t> bytes) {
    std::string out(bytes.size() * 2, '\0');
    WriteNibbles(bytes, out.data());
    return out;
}

std::string DecimalText(std::span<const uint8_t> bytes) {
    std::string out(bytes.size() * 3, '\0');
    WriteDecimals(bytes, out.data());
    return out;
}

CBinBstr::CBinBstr(const uint8_t* bytes, size_t count, UINT codePage) {
    if (count == 0 || !bytes) {
        bstr_ = SysAllocStringLen(nullptr, 0);
        ok_ = bstr_ != nullptr;
        return;
    }
    if (count > static_cast<size_t>(INT_MAX)) return;
    std::vector<OLECHAR> wide(count);
    const int converted =
        MultiByteToWideChar(codePage, 0, reinterpret_cast<LPCSTR>(bytes), static_cast<int>(count),
                            wide.data(), static_cast<int>(count));
    if (converted <= 0) return;
    // A multi-byte code page may give fewer characters than bytes: keep only those.
    bstr_ = SysAllocStringLen(wide.data(), static_cast<UINT>(converted));
    ok_ = bstr_ != nullptr;
}

CBinBstr::~CBinBstr() { SysFreeString(bstr_); }

BSTR CBinBstr::Detach() {
    BSTR b = bstr_;
    bstr_ = nullptr;
    return b;
}

std::optional<BSTR> BinaryToBstr(std::span<const uint8_t> bytes, int32_t conversion,
                                 TraceLog* log) {
    auto line = [log](const char* text) {
        if (log) log->Line(text);
    };
    if (conversion == OPOS_BC_NIBBLE) {
        line("Begin ConvertBinaryToNibbleBSTR");
        BSTR b = AsciiFormBstr<2, WriteNibbles<OLECHAR>>(bytes);
        line("ConvertBinaryToNibbleBSTR is successfully done");
        return b;
    }
    if (conversion == OPOS_BC_DECIMAL) {
        line("Begin ConvertBinaryToDecimalBSTR");
        BSTR b = AsciiFormBstr<3, WriteDecimals<OLECHAR>>(bytes);
        line("ConvertBinaryToDecimalBSTR is successfully done");
        return b;
    }
    CBinBstr raw(bytes.data(), bytes.size());
    if (!raw.Ok()) {
        line(CBinBstr::kConversionError);
        return std::nullopt;
    }
    return raw.Detach();
}

}  // namespace orv::so
