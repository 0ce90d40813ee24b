#include "so_core/binary_conversion.h"

#include <climits>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/opos.h"
#include "so_core/trace_log.h"

namespace orv::so {

std::string NibbleText(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += static_cast<char>((b >> 4) + 0x30);
        out += static_cast<char>((b & 0x0F) + 0x30);
    }
    return out;
}

std::string DecimalText(std::span<const uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        out += static_cast<char>('0' + b / 100);
        out += static_cast<char>('0' + (b / 10) % 10);
        out += static_cast<char>('0' + b % 10);
    }
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
        BSTR b = BstrFromAnsi(NibbleText(bytes));
        line("ConvertBinaryToNibbleBSTR is successfully done");
        return b;
    }
    if (conversion == OPOS_BC_DECIMAL) {
        line("Begin ConvertBinaryToDecimalBSTR");
        BSTR b = BstrFromAnsi(DecimalText(bytes));
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
