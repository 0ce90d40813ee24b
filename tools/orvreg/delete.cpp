#include "cli.h"
#include "platform/registry_ext.h"

namespace orvreg {
namespace {

constexpr char kOp[] = "DELETE";
constexpr char kRefusal[] = "Deleting needs a confirmation; use /f to delete without a prompt.";

// Removes every subkey below key, deepest first (the registry deletes only keys without
// subkeys, as Windows does).
LONG delete_subkeys(HKEY key) {
    for (;;) {
        char name[256];
        DWORD cch = sizeof name;
        LONG status = RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status != ERROR_SUCCESS) return status;
        Key child;
        status = RegOpenKeyExA(key, name, 0, KEY_ALL_ACCESS, child.out());
        if (status == ERROR_SUCCESS) status = delete_subkeys(child.get());
        if (status == ERROR_SUCCESS) status = RegDeleteKeyA(key, name);
        if (status != ERROR_SUCCESS) return status;
    }
}

LONG delete_values(HKEY key) {
    for (;;) {
        std::string name(16384, '\0');
        DWORD cch = static_cast<DWORD>(name.size());
        LONG status = RegEnumValueA(key, 0, name.data(), &cch, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status == ERROR_SUCCESS) status = RegDeleteValueA(key, name.c_str());
        if (status != ERROR_SUCCESS) return status;
    }
}

}  // namespace

int remove(const Args& args) {
    ParsedArgs p;
    if (!parse_args(args, 1, {{"/v", true}, {"/ve", false}, {"/va", false}, {"/f", false}}, p) ||
        p.has("/v") + p.has("/ve") + p.has("/va") > 1)
        return invalid_syntax(kOp);
    KeyName name;
    if (!parse_key_name(p.positional[0], name)) return invalid_key_name(kOp);
    Key key;
    LONG status = RegOpenKeyExA(name.root, name.sub.c_str(), 0, KEY_ALL_ACCESS, key.out());
    if (status != ERROR_SUCCESS) return failed(status);
    bool forced = p.has("/f");

    if (p.has("/v") || p.has("/ve")) {
        std::string value = p.has("/v") ? orv::registry_utf8_to_ansi(p.value("/v")) : "";
        status = RegQueryValueExA(key.get(), value.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) return failed(status);
        std::string shown = value.empty() ? "(Default)" : p.value("/v");
        if (!forced && !confirm("Delete the registry value " + shown, kRefusal)) return 1;
        status = RegDeleteValueA(key.get(), value.c_str());
    } else if (p.has("/va")) {
        if (!forced &&
            !confirm("Delete all values under the registry key " + name.display, kRefusal))
            return 1;
        status = delete_values(key.get());
    } else {
        if (name.sub.empty()) return failed(ERROR_ACCESS_DENIED);  // a root key stays
        if (!forced && !confirm("Permanently delete the registry key " + name.display, kRefusal))
            return 1;
        status = delete_subkeys(key.get());
        if (status == ERROR_SUCCESS) status = RegDeleteKeyA(name.root, name.sub.c_str());
    }
    return status == ERROR_SUCCESS ? succeeded() : failed(status);
}

}  // namespace orvreg
