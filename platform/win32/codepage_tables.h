// The platform's one Windows-1252 table and its one UTF-8 encoder and decoder (internal to the
// platform library; header-only so that the registry format's stand-alone test and fuzzer
// compile the same code).
#pragma once

#include <cstddef>
#include <cstdint>

namespace orv::win32 {

// 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1. The five bytes the code
// page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value,
// as Windows maps them, so every byte survives a trip through Unicode.
inline constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

// Windows-1252 byte -> UTF-16. Every byte maps.
constexpr char16_t Cp1252ToUnicode(uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : static_cast<char16_t>(byte);
}

// Code point -> Windows-1252 byte; -1 when the code page has no such character.
constexpr int UnicodeToCp1252(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] == cp) return 0x80 + i;
    return -1;
}

// Writes the UTF-8 form of a code point (at most U+10FFFF) to out; returns its length (1 to 4).
inline int EncodeUtf8(char32_t cp, char out[4]) {
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

// Decodes one UTF-8 sequence starting at in[0] (n > 0 bytes available). Returns the number of
// bytes consumed and stores the code point, or -1 in *codePoint for an ill-formed sequence
// (overlong forms, surrogates and code points past U+10FFFF included); an ill-formed sequence
// consumes its maximal valid prefix (at least one byte), the Unicode "maximal subpart" rule that
// Windows follows for U+FFFD substitution.
inline int DecodeUtf8(const unsigned char* in, size_t n, int32_t* codePoint) {

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

}  // namespace orv::win32
