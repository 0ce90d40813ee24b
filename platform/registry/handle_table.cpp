#include "handle_table.h"

namespace orv::reg {

HandleTable& HandleTable::instance() {
    static HandleTable table;
    return table;
}

HKEY HandleTable::insert(OpenKey key) {
    next_ += 8;
    keys_.emplace(next_, std::move(key));
    return reinterpret_cast<HKEY>(next_);
}

OpenKey* HandleTable::find(HKEY handle) {
    auto it = keys_.find(reinterpret_cast<uintptr_t>(handle));
    return it == keys_.end() ? nullptr : &it->second;
}

bool HandleTable::erase(HKEY handle) {
    return keys_.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

void HandleTable::mark_deleted(const KeyPath& prefix) {
    for (auto& [value, key] : keys_)
        if (path_starts_with(key.path, prefix)) key.deleted = true;
}

}  // namespace orv::reg
