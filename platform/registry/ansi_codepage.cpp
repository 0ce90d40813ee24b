#include "ansi_codepage.h"

#include <array>

namespace orv::reg {
namespace {

// 0x80..0x9F of Windows-1252; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char16_t upper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    switch (c) {
        case 0x00FF:
            return 0x0178;
        case 0x0161:
            return 0x0160;
        case 0x0153:
            return 0x0152;
        case 0x017E:
            return 0x017D;
        default:
            return c;
    }
}

struct FoldTable {
    std::array<char16_t, 256> unit{};
    constexpr FoldTable() {
        for (int b = 0; b < 256; ++b) {
            char16_t u = b >= 0x80 && b < 0xA0 ? kHighControls[static_cast<size_t>(b - 0x80)]
                                               : static_cast<char16_t>(b);
            unit[static_cast<size_t>(b)] = upper(u);
        }
    }
};
constexpr FoldTable kFold;

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[pos]; returns its length, or 0 when it is not valid
// (overlong forms, surrogates and code points past U+10FFFF included).
size_t decode_utf8(std::string_view text, size_t pos, char32_t& cp) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    size_t len;
    char32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        len = 2, min = 0x80, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        len = 3, min = 0x800, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        len = 4, min = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + len > text.size()) return 0;
    for (size_t i = 1; i < len; ++i) {
        unsigned char b = byte(pos + i);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

char16_t ansi_to_unicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : static_cast<char16_t>(byte);
}

unsigned char unicode_to_ansi(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == cp) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

bool is_valid_utf8(std::string_view text) {
    char32_t cp;
    for (size_t pos = 0; pos < text.size();) {
        size_t len = decode_utf8(text, pos, cp);
        if (len == 0) return false;
        pos += len;
    }
    return true;
}

std::string ansi_to_utf8(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) append_utf8(out, ansi_to_unicode(static_cast<unsigned char>(c)));
    return out;
}

std::string utf8_to_ansi(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    char32_t cp;
    for (size_t pos = 0; pos < utf8.size();) {
        size_t len = decode_utf8(utf8, pos, cp);
        if (len == 0) {
            out += '?';
            ++pos;
        } else {
            out += static_cast<char>(unicode_to_ansi(cp));
            pos += len;
        }
    }
    return out;
}

std::string utf16le_to_ansi(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8));
        bool high = unit >= 0xD800 && unit <= 0xDBFF;
        if (high && i + 3 < bytes.size()) {
            char16_t next = static_cast<char16_t>(static_cast<unsigned char>(bytes[i + 2]) |
                                                  (static_cast<unsigned char>(bytes[i + 3]) << 8));
            if (next >= 0xDC00 && next <= 0xDFFF) i += 2;  // one character outside the code page
        }
        out += static_cast<char>(unicode_to_ansi(unit));
    }
    return out;
}

std::string ansi_to_utf16le(std::string_view ansi) {
    std::string out;
    out.reserve(ansi.size() * 2);
    for (char c : ansi) {
        char16_t unit = ansi_to_unicode(static_cast<unsigned char>(c));
        out += static_cast<char>(unit & 0xFF);
        out += static_cast<char>(unit >> 8);
    }
    return out;
}

int compare_names(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        char16_t x = kFold.unit[static_cast<unsigned char>(a[i])];
        char16_t y = kFold.unit[static_cast<unsigned char>(b[i])];
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool names_equal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && compare_names(a, b) == 0;
}

}  // namespace orv::reg
