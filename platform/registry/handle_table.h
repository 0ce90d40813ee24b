// Open registry keys. An HKEY is a number this table gave out, never a pointer: a garbage,
// closed or foreign handle is simply not found.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "key_tree.h"
#include "platform/registry.h"

namespace orv::reg {

struct OpenKey {
    KeyPath path;               // below HKEY_LOCAL_MACHINE, as the caller spelled it
    REGSAM access = 0;          // rights granted at open
    bool classes_view = false;  // opened under HKEY_CLASSES_ROOT
    bool deleted = false;       // the key went away; Windows keeps such handles valid
    Key* cached = nullptr;      // the key in the tree of generation cached_generation
    uint64_t cached_generation = 0;
};

class HandleTable {
public:
    static HandleTable& instance();

    HKEY insert(OpenKey key);
    OpenKey* find(HKEY handle);
    bool erase(HKEY handle);
    // Handles to the key at prefix or below it now refer to a deleted key, even if a key of
    // that name is created again.
    void mark_deleted(const KeyPath& prefix);

private:
    std::unordered_map<uintptr_t, OpenKey> keys_;
    // Above 32 bits, so no handle value collides with the predefined keys, and never reused.
    uintptr_t next_ = uintptr_t{1} << 32;
};

}  // namespace orv::reg
