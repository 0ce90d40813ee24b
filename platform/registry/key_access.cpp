#include "key_access.h"

#include <cstring>
#include <string_view>

#include "handle_table.h"
#include "reg_ops.h"
#include "store.h"

namespace orv::reg {
namespace {

constexpr REGSAM kGenericRead = 0x80000000;
constexpr REGSAM kGenericWrite = 0x40000000;
constexpr REGSAM kGenericExecute = 0x20000000;
constexpr REGSAM kGenericAll = 0x10000000;

bool has_line_break(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

REGSAM map_generic_rights(REGSAM desired) {
    REGSAM rights =
        desired & ~static_cast<REGSAM>(KEY_WOW64_64KEY | KEY_WOW64_32KEY | kGenericRead |
                                       kGenericWrite | kGenericExecute | kGenericAll);
    if (desired & kGenericRead) rights |= KEY_READ;
    if (desired & kGenericWrite) rights |= KEY_WRITE;
    if (desired & kGenericExecute) rights |= KEY_EXECUTE;
    if (desired & kGenericAll) rights |= KEY_ALL_ACCESS;
    return rights;
}

bool is_kept_root(HKEY key) {
    return key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT;
}

bool is_predefined(HKEY key) {
    auto value = reinterpret_cast<uintptr_t>(key);
    return value >= 0x80000000u && value <= 0x80000006u;
}

bool is_valid_handle(HKEY key) {
    return is_kept_root(key) || HandleTable::instance().find(key) != nullptr;
}

bool split_subkey(LPCSTR text, KeyPath& out) {
    out.clear();
    if (!text) return true;
    std::string_view rest(text);
    if (rest.starts_with('\\')) return false;
    if (rest.ends_with('\\')) rest.remove_suffix(1);
    while (!rest.empty()) {
        size_t slash = rest.find('\\');
        std::string_view name = rest.substr(0, slash);
        if (name.empty() || name.size() > kMaxKeyNameLength || has_line_break(name)) return false;
        out.emplace_back(name);
        if (slash == std::string_view::npos) break;
        rest.remove_prefix(slash + 1);
        if (rest.empty()) return false;  // two trailing backslashes
    }
    return true;
}

bool is_storable_value_name(LPCSTR name) {
    if (!name) return true;
    std::string_view text(name);
    return text.size() <= kMaxValueNameLength && !has_line_break(text);
}

LONG resolve_key(HKEY handle, ResolvedKey& out) {
    Store& store = Store::instance();
    static const KeyPath kMachine;
    if (handle == HKEY_LOCAL_MACHINE || handle == HKEY_CLASSES_ROOT) {
        bool classes = handle == HKEY_CLASSES_ROOT;
        out.path = classes ? &classes_path() : &kMachine;
        out.key = classes ? find_path(store.root(), classes_path()) : &store.root();
        out.access = KEY_ALL_ACCESS;
        out.classes_view = classes;
        out.predefined = true;
        return ERROR_SUCCESS;
    }
    OpenKey* open = HandleTable::instance().find(handle);
    if (!open) return ERROR_INVALID_HANDLE;
    if (open->deleted) return ERROR_KEY_DELETED;
    if (open->cached_generation != store.generation()) {
        open->cached = find_path(store.root(), open->path);
        open->cached_generation = store.generation();
        if (!open->cached) {
            open->deleted = true;
            return ERROR_KEY_DELETED;
        }
    }
    out.path = &open->path;
    out.key = open->cached;
    out.access = open->access;
    out.classes_view = open->classes_view;
    out.predefined = false;
    return ERROR_SUCCESS;
}

KeyPath join_path(const KeyPath& base, const KeyPath& sub) {
    KeyPath full;
    full.reserve(base.size() + sub.size());
    full.insert(full.end(), base.begin(), base.end());
    full.insert(full.end(), sub.begin(), sub.end());
    return full;
}

}  // namespace orv::reg
