#include <cctype>

#include "cli.h"
#include "platform/registry_ext.h"

namespace orvreg {
namespace {

constexpr char kOp[] = "ADD";

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// A DWORD as reg.exe takes it: decimal, or hexadecimal after 0x; nothing else, nothing larger.
bool parse_dword(const std::string& text, DWORD& value) {
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::string digits = hex ? text.substr(2) : text;
    if (digits.empty()) return false;
    uint64_t number = 0;
    for (char c : digits) {
        int d = hex ? hex_digit(c) : (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : -1);
        if (d < 0) return false;
        number = number * (hex ? 16 : 10) + static_cast<uint64_t>(d);
        if (number > 0xFFFFFFFFu) return false;
    }
    value = static_cast<DWORD>(number);
    return true;
}

// The bytes RegSetValueExA gets for /d text of a type; false when the text does not fit it.
bool encode(DWORD type, bool given, const std::string& text, std::string& data) {
    switch (type) {
        case REG_DWORD: {
            DWORD number = 0;
            if (given && !parse_dword(text, number)) return false;
            data.assign(reinterpret_cast<const char*>(&number), sizeof number);
            return true;
        }
        case REG_BINARY:
            if (text.size() % 2 != 0) return false;
            data.clear();
            for (size_t i = 0; i < text.size(); i += 2) {
                int hi = hex_digit(text[i]), lo = hex_digit(text[i + 1]);
                if (hi < 0 || lo < 0) return false;
                data += static_cast<char>(hi * 16 + lo);
            }
            return true;
        default:  // REG_SZ, REG_EXPAND_SZ
            data = orv::registry_utf8_to_ansi(text);
            data += '\0';
            return true;
    }
}

}  // namespace

int add(const Args& args) {
    ParsedArgs p;
    if (!parse_args(args, 1,
                    {{"/v", true}, {"/ve", false}, {"/t", true}, {"/d", true}, {"/f", false}}, p) ||
        (p.has("/v") && p.has("/ve")))
        return invalid_syntax(kOp);
    KeyName name;
    if (!parse_key_name(p.positional[0], name)) return invalid_key_name(kOp);
    DWORD type = REG_SZ;
    if (p.has("/t") && !parse_type_name(p.value("/t"), type)) return invalid_syntax(kOp);
    std::string data;
    if (!encode(type, p.has("/d"), p.has("/d") ? p.value("/d") : "", data))
        return invalid_syntax(kOp);
    // /t or /d without a value name set the default value, as /ve does.
    bool sets_value = p.has("/v") || p.has("/ve") || p.has("/t") || p.has("/d");
    std::string value_name = p.has("/v") ? orv::registry_utf8_to_ansi(p.value("/v")) : "";

    Key key;
    LONG status = RegCreateKeyExA(name.root, name.sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.out(), nullptr);
    if (status != ERROR_SUCCESS) return failed(status);
    if (sets_value) {
        DWORD old_type;
        std::string old;
        std::string shown = value_name.empty() ? "(Default)" : p.value("/v");
        if (!p.has("/f") &&
            read_value(key.get(), value_name.c_str(), old_type, old) == ERROR_SUCCESS &&
            !confirm("Value " + shown + " exists, overwrite",
                     "The value exists; use /f to overwrite it without a prompt."))
            return 1;
        status = RegSetValueExA(key.get(), value_name.c_str(), 0, type,
                                reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size()));
        if (status != ERROR_SUCCESS) return failed(status);
    }
    return succeeded();
}

}  // namespace orvreg
