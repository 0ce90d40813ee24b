#include <cctype>
#include <cstdint>
#include <cstdio>

#include "cli.h"
#include "platform/registry_ext.h"

namespace orvreg {
namespace {

struct TypeName {
    DWORD type;
    const char* name;
};
const TypeName kTypeNames[] = {
    {REG_NONE, "REG_NONE"},
    {REG_SZ, "REG_SZ"},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"},
    {REG_DWORD, "REG_DWORD"},
    {5, "REG_DWORD_BIG_ENDIAN"},
    {6, "REG_LINK"},
    {REG_MULTI_SZ, "REG_MULTI_SZ"},
    {8, "REG_RESOURCE_LIST"},
    {9, "REG_FULL_RESOURCE_DESCRIPTOR"},
    {10, "REG_RESOURCE_REQUIREMENTS_LIST"},
    {REG_QWORD, "REG_QWORD"},
};
// The types add accepts.
const DWORD kAddTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY};

std::string hex_bytes(const std::string& data) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : data) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0xF];
    }
    return out;
}

uint64_t little_endian(const std::string& data) {
    uint64_t number = 0;
    for (size_t i = data.size(); i-- > 0;)
        number = (number << 8) | static_cast<unsigned char>(data[i]);
    return number;
}

// REG_MULTI_SZ keeps the UTF-16 text of the file; reg.exe shows the strings joined by "\0".
std::string multi_string(const std::string& data) {
    std::string out;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        char32_t unit =
            static_cast<unsigned char>(data[i]) | (static_cast<unsigned char>(data[i + 1]) << 8);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < data.size()) {
            char32_t low = static_cast<unsigned char>(data[i + 2]) |
                           (static_cast<unsigned char>(data[i + 3]) << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (unit == 0) {
            out += "\\0";
            continue;
        }
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else if (unit < 0x10000) {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (unit >> 18));
            out += static_cast<char>(0x80 | ((unit >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    // The list ends with two terminators, which reg.exe does not show.
    while (out.ends_with("\\0")) out.resize(out.size() - 2);
    return out;
}

}  // namespace

const char* type_name(DWORD type) {
    for (const TypeName& t : kTypeNames)
        if (t.type == type) return t.name;
    return "REG_NONE";
}

bool parse_type_name(const std::string& name, DWORD& type) {
    for (DWORD candidate : kAddTypes) {
        std::string known = type_name(candidate);
        if (known.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size(); ++i)
            same = same && std::toupper(static_cast<unsigned char>(name[i])) == known[i];
        if (same) {
            type = candidate;
            return true;
        }
    }
    return false;
}

std::string format_data(DWORD type, const std::string& data) {
    char number[32];
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return orv::registry_ansi_to_utf8(data.substr(0, data.find('\0')));
        case REG_DWORD:
            if (data.size() != 4) break;
            std::snprintf(number, sizeof number, "0x%x",
                          static_cast<unsigned>(little_endian(data)));
            return number;
        case REG_QWORD:
            if (data.size() != 8) break;
            std::snprintf(number, sizeof number, "0x%llx",
                          static_cast<unsigned long long>(little_endian(data)));
            return number;
        case REG_MULTI_SZ:
            return multi_string(data);
        default:
            break;
    }
    return hex_bytes(data);
}

LONG read_value(HKEY key, const char* name, DWORD& type, std::string& data) {
    for (;;) {  // the value may grow between the two calls
        DWORD size = 0;
        LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) return status;
        data.assign(size, '\0');
        status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                  &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status == ERROR_SUCCESS) data.resize(size);
        return status;
    }
}

}  // namespace orvreg
