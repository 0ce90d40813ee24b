// The Reg* functions of platform/registry.h.
#include <cstring>
#include <mutex>

#include "handle_table.h"
#include "key_access.h"
#include "platform/registry.h"
#include "store.h"

using namespace orv::reg;

namespace {

using Lock = std::lock_guard<std::mutex>;

Store& store() {
    return Store::instance();
}
HandleTable& handles() {
    return HandleTable::instance();
}

// The rights a new handle gets. Asking for write rights needs write permission on the registry
// file, as a non-administrator asking for them on HKEY_LOCAL_MACHINE is refused on Windows.
LONG grant_rights(REGSAM desired, REGSAM& granted) {
    granted = map_generic_rights(desired);
    if (granted & kMaximumAllowed) {
        granted &= ~kMaximumAllowed;
        granted |= store().check_writable() == ERROR_SUCCESS ? KEY_ALL_ACCESS : KEY_READ;
        return ERROR_SUCCESS;
    }
    return granted & kWriteRights ? store().check_writable() : ERROR_SUCCESS;
}

// Finds the handle's key after bringing the store up to date.
LONG refresh_and_resolve(HKEY key, ResolvedKey& resolved) {
    LONG status = store().refresh();
    if (status != ERROR_SUCCESS) return status;
    return resolve_key(key, resolved);
}

const Key& key_or_empty(const ResolvedKey& resolved) {
    static const Key kEmpty;
    return resolved.key ? *resolved.key : kEmpty;
}

// Copies a name with its terminator into a buffer of *cch characters; ERROR_MORE_DATA (buffer
// and count untouched) when it does not fit, else *cch = the name's length.
LONG copy_name(const std::string& name, LPSTR buffer, LPDWORD cch) {
    if (name.size() >= *cch) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *cch = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// The data half of RegQueryValueExA and RegEnumValueA.
LONG copy_data(const Value& value, LPDWORD type, LPBYTE data, LPDWORD cbData) {
    DWORD size = static_cast<DWORD>(value.data.size());
    if (type) *type = value.type;
    if (data && *cbData < size) {
        *cbData = size;
        return ERROR_MORE_DATA;
    }
    if (data && size) std::memcpy(data, value.data.data(), size);
    if (cbData) *cbData = size;
    return ERROR_SUCCESS;
}

}  // namespace

extern "C" {

LSTATUS WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM desired, PHKEY result) {
    return guarded([&]() -> LONG {
        if (!result) return ERROR_INVALID_PARAMETER;
        *result = nullptr;
        Lock lock(store().mutex());
        if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
        KeyPath sub;
        if (!split_subkey(subKey, sub)) return ERROR_FILE_NOT_FOUND;
        ResolvedKey parent;
        LONG status = refresh_and_resolve(key, parent);
        if (status != ERROR_SUCCESS) return status;
        if (sub.empty() && parent.predefined) {
            *result = key;  // a predefined key opens as itself
            return ERROR_SUCCESS;
        }
        if (!parent.key || parent.path->size() + sub.size() > kMaxKeyDepth ||
            !find_path(*parent.key, sub))
            return ERROR_FILE_NOT_FOUND;
        REGSAM granted;
        status = grant_rights(desired, granted);
        if (status != ERROR_SUCCESS) return status;
        *result =
            handles().insert(OpenKey{join_path(*parent.path, sub), granted, parent.classes_view});
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM desired,
                               LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    return guarded([&]() -> LONG {
        if (!result) return ERROR_INVALID_PARAMETER;
        *result = nullptr;
        Lock lock(store().mutex());
        if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
        KeyPath sub;
        if (!split_subkey(subKey, sub)) return ERROR_INVALID_PARAMETER;
        ResolvedKey parent;
        LONG status = refresh_and_resolve(key, parent);
        if (status != ERROR_SUCCESS) return status;
        if (parent.path->size() + sub.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
        if (sub.empty() && parent.predefined) {
            *result = key;  // a predefined key opens as itself
            if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
            return ERROR_SUCCESS;
        }
        KeyPath full = join_path(*parent.path, sub);
        bool created = false;
        if (!find_path(store().root(), full)) {
            status = store().modify([&](Key& root, bool apply) -> Mutation {
                ResolvedKey again;  // the parent may have gone while we waited for the lock
                LONG found = resolve_key(key, again);
                if (found != ERROR_SUCCESS) return {found, false};
                if (find_path(root, full)) return {ERROR_SUCCESS, false};
                if (apply) make_path(root, full, &created);
                return {ERROR_SUCCESS, true};
            });
            if (status != ERROR_SUCCESS) return status;
        }
        REGSAM granted = map_generic_rights(desired);
        if (created) {
            // Creating needed write permission already.
            if (granted & kMaximumAllowed) granted = (granted & ~kMaximumAllowed) | KEY_ALL_ACCESS;
        } else {
            status = grant_rights(desired, granted);
            if (status != ERROR_SUCCESS) return status;
        }
        *result = handles().insert(OpenKey{std::move(full), granted, parent.classes_view});
        if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                LPBYTE data, LPDWORD cbData) {
    return guarded([&]() -> LONG {
        if (reserved || (data && !cbData)) return ERROR_INVALID_PARAMETER;
        Lock lock(store().mutex());
        if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
        ResolvedKey resolved;
        LONG status = refresh_and_resolve(key, resolved);
        if (status != ERROR_SUCCESS) return status;
        if (!(resolved.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
        const Value* value = key_or_empty(resolved).find_value(valueName ? valueName : "");
        if (!value) return ERROR_FILE_NOT_FOUND;
        return copy_data(*value, type, data, cbData);
    });
}

LSTATUS WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                              DWORD cbData) {
    return guarded([&]() -> LONG {
        if ((!data && cbData) || (type == REG_DWORD && cbData != 4) ||
            !is_storable_value_name(valueName))
            return ERROR_INVALID_PARAMETER;
        Lock lock(store().mutex());
        if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
        ResolvedKey resolved;
        LONG status = refresh_and_resolve(key, resolved);
        if (status != ERROR_SUCCESS) return status;
        if (!(resolved.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
        std::string_view name = valueName ? valueName : "";
        std::string_view bytes(reinterpret_cast<const char*>(data), data ? cbData : 0);
        return store().modify([&](Key& root, bool apply) -> Mutation {
            ResolvedKey target;
            LONG found = resolve_key(key, target);
            if (found != ERROR_SUCCESS) return {found, false};
            Key* k = target.key;
            if (!apply) {
                const Value* old = k ? k->find_value(name) : nullptr;
                return {ERROR_SUCCESS, !old || old->type != type || old->data != bytes};
            }
            if (!k) k = &make_path(root, *target.path, nullptr);
            return {ERROR_SUCCESS, k->set_value(name, type, bytes)};
        });
    });
}

LSTATUS WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    return guarded([&]() -> LONG {
        if (!subKey) return ERROR_INVALID_PARAMETER;
        Lock lock(store().mutex());
        if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
        KeyPath sub;
        if (!split_subkey(subKey, sub)) return ERROR_FILE_NOT_FOUND;
        ResolvedKey parent;
        LONG status = refresh_and_resolve(key, parent);
        if (status != ERROR_SUCCESS) return status;
        KeyPath full = join_path(*parent.path, sub);
        if (full.empty() || (sub.empty() && parent.predefined))
            return ERROR_ACCESS_DENIED;  // a root
        status = store().modify([&](Key& root, bool apply) -> Mutation {
            ResolvedKey again;
            LONG found = resolve_key(key, again);
            if (found != ERROR_SUCCESS) return {found, false};
            Key* target = find_path(root, full);
            if (!target) return {ERROR_FILE_NOT_FOUND, false};
            if (target->child_count() != 0) return {ERROR_ACCESS_DENIED, false};
            if (apply) remove_path(root, full);
            return {ERROR_SUCCESS, true};
        });
        if (status == ERROR_SUCCESS) handles().mark_deleted(full);
        return status;
    });
}

LSTATUS WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName) {
    return guarded([&]() -> LONG {
        Lock lock(store().mutex());
        if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
        ResolvedKey resolved;
        LONG status = refresh_and_resolve(key, resolved);
        if (status != ERROR_SUCCESS) return status;
        if (!(resolved.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
        std::string_view name = valueName ? valueName : "";
        return store().modify([&](Key&, bool apply) -> Mutation {
            ResolvedKey target;
            LONG found = resolve_key(key, target);
            if (found != ERROR_SUCCESS) return {found, false};
            if (!target.key || !target.key->find_value(name)) return {ERROR_FILE_NOT_FOUND, false};
            if (apply) target.key->remove_value(name);
            return {ERROR_SUCCESS, true};
        });
    });
}

LSTATUS WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD cchName, LPDWORD reserved,
                             LPSTR keyClass, LPDWORD cchClass, void* lastWriteTime) {
    return guarded([&]() -> LONG {
        if (!name || !cchName || reserved || (keyClass && !cchClass))
            return ERROR_INVALID_PARAMETER;
        Lock lock(store().mutex());
        if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
        ResolvedKey resolved;
        LONG status = refresh_and_resolve(key, resolved);
        if (status != ERROR_SUCCESS) return status;
        if (!(resolved.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
        const Key& parent = key_or_empty(resolved);
        if (index >= parent.child_count()) return ERROR_NO_MORE_ITEMS;
        status = copy_name(parent.child_at(index).name(), name, cchName);
        if (status != ERROR_SUCCESS) return status;
        // Keys carry no class names and no write times here.
        if (keyClass) {
            if (*cchClass == 0) return ERROR_MORE_DATA;
            keyClass[0] = '\0';
        }
        if (cchClass) *cchClass = 0;
        if (lastWriteTime) std::memset(lastWriteTime, 0, 8);
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegEnumValueA(HKEY key, DWORD index, LPSTR valueName, LPDWORD cchValueName,
                             LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD cbData) {
    return guarded([&]() -> LONG {
        if (!valueName || !cchValueName || reserved || (data && !cbData))
            return ERROR_INVALID_PARAMETER;
        Lock lock(store().mutex());
        if (!is_valid_handle(key)) return ERROR_INVALID_HANDLE;
        ResolvedKey resolved;
        LONG status = refresh_and_resolve(key, resolved);
        if (status != ERROR_SUCCESS) return status;
        if (!(resolved.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
        const auto& values = key_or_empty(resolved).values();
        if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
        status = copy_name(values[index].name, valueName, cchValueName);
        if (status != ERROR_SUCCESS) return status;
        return copy_data(values[index], type, data, cbData);
    });
}

LSTATUS WINAPI RegCloseKey(HKEY key) {
    return guarded([&]() -> LONG {
        if (is_predefined(key)) return ERROR_SUCCESS;
        Lock lock(store().mutex());
        return handles().erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

}  // extern "C"
