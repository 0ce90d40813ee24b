// Feeds arbitrary bytes through both code pages and checks the round-trip invariants:
// Windows-1252 is a bijection on bytes, and UTF-8 decoding yields text that re-encodes and
// decodes to itself.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/win32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 4096) return 0;
    const auto* bytes = reinterpret_cast<const char*>(data);
    const int length = static_cast<int>(size);

    std::vector<WCHAR> wide(size * 2);
    const int ansi =
        MultiByteToWideChar(CP_ACP, 0, bytes, length, wide.data(), static_cast<int>(wide.size()));
    if (ansi != length) __builtin_trap();
    std::vector<char> back(size);
    BOOL used = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, wide.data(), ansi, back.data(), length, nullptr, &used) !=
            length ||
        used || !std::equal(back.begin(), back.end(), bytes))
        __builtin_trap();

    const int units = MultiByteToWideChar(CP_UTF8, 0, bytes, length, nullptr, 0);
    if (units <= 0 || units > length) __builtin_trap();
    std::vector<WCHAR> decoded(static_cast<size_t>(units));
    if (MultiByteToWideChar(CP_UTF8, 0, bytes, length, decoded.data(), units) != units)
        __builtin_trap();
    const int encodedSize =
        WideCharToMultiByte(CP_UTF8, 0, decoded.data(), units, nullptr, 0, nullptr, nullptr);
    std::vector<char> encoded(static_cast<size_t>(encodedSize));
    WideCharToMultiByte(CP_UTF8, 0, decoded.data(), units, encoded.data(), encodedSize, nullptr,
                        nullptr);
    std::vector<WCHAR> again(static_cast<size_t>(units));
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, encoded.data(), encodedSize,
                            again.data(), units) != units ||
        again != decoded)
        __builtin_trap();
    return 0;
}
