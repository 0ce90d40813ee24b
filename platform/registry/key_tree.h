// The registry in memory: keys with case-preserving names, their values as the A functions see
// them (ANSI bytes), subkeys kept in the order Windows enumerates them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wintypes.h"

namespace orv::reg {

// Limits Windows sets; the file parser and the API refuse anything beyond them, which also
// bounds every recursion over the tree.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
constexpr size_t kMaxKeyDepth = 512;

struct Value {
    std::string name;  // empty = the key's default value
    DWORD type = 0;
    std::string data;
};

// Path of a key below HKEY_LOCAL_MACHINE, one name per level.
using KeyPath = std::vector<std::string>;

class Key {
public:
    explicit Key(std::string name = {}) : name_(std::move(name)) {}
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    const std::string& name() const { return name_; }

    // Subkeys in case-insensitive name order.
    size_t child_count() const { return children_.size(); }
    Key& child_at(size_t index) const { return *children_[index]; }
    Key* find_child(std::string_view name) const;
    // The subkey of that name, created when missing (*created tells which).
    Key& make_child(std::string_view name, bool* created);
    bool remove_child(std::string_view name);

    // Values in the order they were first written.
    const std::vector<Value>& values() const { return values_; }
    const Value* find_value(std::string_view name) const;
    // Replaces or adds a value (an existing value keeps its name's spelling); true when
    // anything changed.
    bool set_value(std::string_view name, DWORD type, std::string_view data);
    bool remove_value(std::string_view name);

    // Same names (exact spelling), values and subkeys, in the same order.
    bool same_as(const Key& other) const;

private:
    size_t lower_bound(std::string_view name) const;

    std::string name_;
    std::vector<std::unique_ptr<Key>> children_;
    std::vector<Value> values_;
};

Key* find_path(Key& root, const KeyPath& path);
// Creates every missing key of the path; *created is true when the last one is new.
Key& make_path(Key& root, const KeyPath& path, bool* created);
// Removes the key at path with everything below it; false when it does not exist.
bool remove_path(Key& root, const KeyPath& path);
// True when prefix names the same key as path or one of its parents.
bool path_starts_with(const KeyPath& path, const KeyPath& prefix);

}  // namespace orv::reg
