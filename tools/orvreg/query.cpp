#include <iostream>

#include "cli.h"
#include "platform/registry_ext.h"

namespace orvreg {
namespace {

constexpr char kOp[] = "QUERY";

struct NamedValue {
    std::string name;  // ANSI
    DWORD type = 0;
    std::string data;
};

LONG list_values(HKEY key, std::vector<NamedValue>& values) {
    for (DWORD i = 0;; ++i) {
        std::string name(16384, '\0');
        DWORD cch = static_cast<DWORD>(name.size());
        NamedValue value;
        DWORD size = 0;
        LONG status =
            RegEnumValueA(key, i, name.data(), &cch, nullptr, &value.type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        name.resize(cch);
        status = read_value(key, name.c_str(), value.type, value.data);
        if (status != ERROR_SUCCESS) return status;
        value.name = std::move(name);
        values.push_back(std::move(value));
    }
}

LONG list_subkeys(HKEY key, std::vector<std::string>& names) {
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD cch = sizeof name;
        LONG status = RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        names.emplace_back(name, cch);
    }
}

void print_value(const std::string& name, DWORD type, const std::string& data) {
    std::cout << "    " << (name.empty() ? "(Default)" : orv::registry_ansi_to_utf8(name)) << "    "
              << type_name(type) << "    " << format_data(type, data) << "\n";
}

void print_key(const std::string& display, const std::vector<NamedValue>& values) {
    std::cout << display << "\n";
    for (const NamedValue& v : values) print_value(v.name, v.type, v.data);
    std::cout << "\n";
}

// One key and everything below it; with wanted, only the keys that hold that value.
LONG walk(HKEY key, const std::string& display, const std::string* wanted, int& matches) {
    LONG status;
    if (!wanted) {
        std::vector<NamedValue> values;
        status = list_values(key, values);
        if (status != ERROR_SUCCESS) return status;
        print_key(display, values);
    } else {
        DWORD type = 0;
        std::string data;
        status = read_value(key, wanted->c_str(), type, data);
        if (status == ERROR_SUCCESS) {
            std::cout << display << "\n";
            print_value(*wanted, type, data);
            std::cout << "\n";
            ++matches;
        } else if (status != ERROR_FILE_NOT_FOUND) {
            return status;
        }
    }
    std::vector<std::string> children;
    status = list_subkeys(key, children);
    for (const std::string& child : children) {
        if (status != ERROR_SUCCESS) break;
        Key sub;
        status = RegOpenKeyExA(key, child.c_str(), 0, KEY_READ, sub.out());
        if (status == ERROR_SUCCESS)
            status = walk(sub.get(), child_display(display, child), wanted, matches);
    }
    return status;
}

}  // namespace

int query(const Args& args) {
    ParsedArgs p;
    if (!parse_args(args, 1, {{"/v", true}, {"/ve", false}, {"/s", false}}, p) ||
        (p.has("/v") && p.has("/ve")))
        return invalid_syntax(kOp);
    KeyName name;
    if (!parse_key_name(p.positional[0], name)) return invalid_key_name(kOp);
    Key key;
    LONG status = RegOpenKeyExA(name.root, name.sub.c_str(), 0, KEY_READ, key.out());
    if (status != ERROR_SUCCESS) return failed(status);

    bool one_value = p.has("/v") || p.has("/ve");
    std::string wanted = p.has("/v") ? orv::registry_utf8_to_ansi(p.value("/v")) : "";
    std::cout << "\n";
    if (p.has("/s")) {
        int matches = 0;
        status = walk(key.get(), name.display, one_value ? &wanted : nullptr, matches);
        if (status != ERROR_SUCCESS) return failed(status);
        if (one_value) std::cout << "End of search: " << matches << " match(es) found.\n";
        return 0;
    }
    if (one_value) {
        DWORD type = REG_SZ;
        std::string data;
        status = read_value(key.get(), wanted.c_str(), type, data);
        if (status == ERROR_FILE_NOT_FOUND && p.has("/ve")) {
            std::cout << name.display << "\n    (Default)    REG_SZ    (value not set)\n\n";
            return 0;
        }
        if (status != ERROR_SUCCESS) return failed(status);
        std::cout << name.display << "\n";
        print_value(wanted, type, data);
        std::cout << "\n";
        return 0;
    }
    std::vector<NamedValue> values;
    std::vector<std::string> children;
    status = list_values(key.get(), values);
    if (status == ERROR_SUCCESS) status = list_subkeys(key.get(), children);
    if (status != ERROR_SUCCESS) return failed(status);
    if (!values.empty()) print_key(name.display, values);
    for (const std::string& child : children)
        std::cout << child_display(name.display, child) << "\n";
    return 0;
}

}  // namespace orvreg
