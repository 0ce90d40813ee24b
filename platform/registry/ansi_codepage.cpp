#include "ansi_codepage.h"

#include <array>

#include "../win32/codepage_tables.h"

namespace orv::reg {
namespace {

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
            unit[static_cast<size_t>(b)] = upper(win32::Cp1252ToUnicode(static_cast<uint8_t>(b)));
        }
    }
};
constexpr FoldTable kFold;

void append_utf8(std::string& out, char32_t cp) {
    char bytes[4];
    out.append(bytes, static_cast<size_t>(win32::EncodeUtf8(cp, bytes)));
}

// Decodes one UTF-8 sequence at text[pos]; returns its length, or 0 when it is not valid.
size_t decode_utf8(std::string_view text, size_t pos, char32_t& cp) {
    int32_t value = 0;
    const int used = win32::DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()) + pos,
                                       text.size() - pos, &value);
    if (value < 0) return 0;
    cp = static_cast<char32_t>(value);
    return static_cast<size_t>(used);
}

}  // namespace

char16_t ansi_to_unicode(unsigned char byte) { return win32::Cp1252ToUnicode(byte); }

unsigned char unicode_to_ansi(char32_t cp) {
    const int byte = win32::UnicodeToCp1252(cp);
    return byte < 0 ? static_cast<unsigned char>('?') : static_cast<unsigned char>(byte);
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
