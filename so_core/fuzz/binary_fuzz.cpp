// Fuzzes the BinaryConversion forms and CBinBstr's code page conversion (ANSI and UTF-8).
#include <cstdint>
#include <cstdlib>
#include <span>

#include "so_core/binary_conversion.h"

using namespace orv::so;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    if (NibbleText(bytes).size() != 2 * size || DecimalText(bytes).size() != 3 * size) std::abort();
    for (int32_t conversion : {0, 1, 2}) {
        std::optional<BSTR> b = BinaryToBstr(bytes, conversion, nullptr);
        if (!b || SysStringLen(*b) != size * (conversion == 0 ? 1 : conversion + 1)) std::abort();
        SysFreeString(*b);
    }
    CBinBstr utf8(data, size, CP_UTF8);
    if (size > 0 && (!utf8.Ok() || SysStringLen(utf8.Get()) > size)) std::abort();
    return 0;
}
