// What every Reg* function does first: refuse to let an exception out, check the handle, split
// the subkey path, map the rights asked for, find the key a handle names.
#pragma once

#include <new>

#include "key_tree.h"
#include "platform/registry.h"

namespace orv::reg {

// Runs an exported function's body; no C++ exception crosses the C boundary.
template <class Body>
LONG guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_INTERNAL_ERROR;
    }
}

// Rights that change the registry: asking for any of them needs write permission on the file.
constexpr REGSAM kDelete = 0x00010000;
constexpr REGSAM kWriteDac = 0x00040000;
constexpr REGSAM kWriteOwner = 0x00080000;
constexpr REGSAM kMaximumAllowed = 0x02000000;
constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | kDelete | kWriteDac | kWriteOwner;

// Generic rights mapped to key rights; the WOW64 view flags mean nothing here.
REGSAM map_generic_rights(REGSAM desired);

// The predefined keys this registry keeps (HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT).
bool is_kept_root(HKEY key);
// Any predefined key value, kept or not.
bool is_predefined(HKEY key);
// A kept root or an open handle (the store mutex must be held).
bool is_valid_handle(HKEY key);

// Splits "A\B\C" (a null or empty text is the key itself; one trailing backslash is allowed).
// false for a leading backslash, an empty name, a name longer than 255 characters or one with a
// line break, which no key can have.
bool split_subkey(LPCSTR text, KeyPath& out);
// A value name the file can hold: no line breaks, at most 16383 characters.
bool is_storable_value_name(LPCSTR name);

struct ResolvedKey {
    const KeyPath* path = nullptr;  // full path below HKEY_LOCAL_MACHINE
    Key* key = nullptr;             // null only for HKEY_CLASSES_ROOT before its key exists
    REGSAM access = 0;
    bool classes_view = false;
    bool predefined = false;
};
// The key a handle names in the current tree. ERROR_INVALID_HANDLE, or ERROR_KEY_DELETED for a
// handle whose key was deleted. The store mutex must be held and the store refreshed.
LONG resolve_key(HKEY handle, ResolvedKey& out);

KeyPath join_path(const KeyPath& base, const KeyPath& sub);

}  // namespace orv::reg
