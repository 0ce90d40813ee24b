#include "reg_file_write.h"

#include <cstdio>

#include "ansi_codepage.h"
#include "platform/registry.h"

namespace orv::reg {
namespace {

// regedit keeps hex lines within 80 columns, continuing them with a backslash.
constexpr size_t kLineWidth = 78;

void append_quoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

// A REG_SZ value fits the "text" form when it is one terminated line of text; anything else
// (no terminator, embedded zeros, line breaks) is written as hex(1) so that nothing is lost.
bool fits_quoted_form(std::string_view data) {
    if (data.empty() || data.back() != '\0') return false;
    data.remove_suffix(1);
    return data.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

void append_hex(std::string& out, std::string line, std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    bool first = true;
    for (size_t i = 0; i < bytes.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        char token[3] = {kDigits[b >> 4], kDigits[b & 0xF], ','};
        size_t len = i + 1 < bytes.size() ? 3 : 2;
        if (!first && line.size() + len > kLineWidth) {
            out += line;
            out += "\\\n";
            line = "  ";
        }
        line.append(token, len);
        first = false;
    }
    out += line;
    out += '\n';
}

void append_value(std::string& out, const Value& value) {
    std::string head;
    if (value.name.empty())
        head = "@";
    else
        append_quoted(head, value.name);
    head += '=';
    switch (value.type) {
        case REG_SZ:
            if (fits_quoted_form(value.data)) {
                out += head;
                append_quoted(out, std::string_view(value.data).substr(0, value.data.size() - 1));
                out += '\n';
                return;
            }
            append_hex(out, head + "hex(1):", ansi_to_utf16le(value.data));
            return;
        case REG_EXPAND_SZ:
            append_hex(out, head + "hex(2):", ansi_to_utf16le(value.data));
            return;
        case REG_DWORD:
            if (value.data.size() == 4) {
                DWORD number = 0;
                for (int i = 3; i >= 0; --i)
                    number = (number << 8) |
                             static_cast<unsigned char>(value.data[static_cast<size_t>(i)]);
                char text[16];
                std::snprintf(text, sizeof text, "dword:%08x", number);
                out += head;
                out += text;
                out += '\n';
                return;
            }
            break;
        case REG_BINARY:
            append_hex(out, head + "hex:", value.data);
            return;
        default:
            break;
    }
    char type[24];
    std::snprintf(type, sizeof type, "hex(%x):", value.type);
    append_hex(out, head + type, value.data);
}

void append_section(std::string& out, const Key& key, const std::string& name) {
    out += '[';
    out += name;
    out += "]\n";
    for (const Value& value : key.values()) append_value(out, value);
    out += '\n';
    for (size_t i = 0; i < key.child_count(); ++i) {
        const Key& child = key.child_at(i);
        append_section(out, child, name + '\\' + child.name());
    }
}

}  // namespace

std::string write_reg_file(const Key& key, std::string_view key_name) {
    std::string out = "Windows Registry Editor Version 5.00\n\n";
    append_section(out, key, std::string(key_name));
    return ansi_to_utf8(out);
}

}  // namespace orv::reg
