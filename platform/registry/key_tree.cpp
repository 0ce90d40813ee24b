#include "key_tree.h"

#include "ansi_codepage.h"

namespace orv::reg {

size_t Key::lower_bound(std::string_view name) const {
    size_t lo = 0, hi = children_.size();
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (compare_names(children_[mid]->name_, name) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

Key* Key::find_child(std::string_view name) const {
    size_t i = lower_bound(name);
    return i < children_.size() && names_equal(children_[i]->name_, name) ? children_[i].get()
                                                                          : nullptr;
}

Key& Key::make_child(std::string_view name, bool* created) {
    size_t i = lower_bound(name);
    if (i < children_.size() && names_equal(children_[i]->name_, name)) {
        if (created) *created = false;
        return *children_[i];
    }
    auto it = children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(i),
                               std::make_unique<Key>(std::string(name)));
    if (created) *created = true;
    return **it;
}

bool Key::remove_child(std::string_view name) {
    size_t i = lower_bound(name);
    if (i >= children_.size() || !names_equal(children_[i]->name_, name)) return false;
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
}

const Value* Key::find_value(std::string_view name) const {
    for (const Value& v : values_)
        if (names_equal(v.name, name)) return &v;
    return nullptr;
}

bool Key::set_value(std::string_view name, DWORD type, std::string_view data) {
    for (Value& v : values_) {
        if (!names_equal(v.name, name)) continue;
        if (v.type == type && v.data == data) return false;
        v.type = type;
        v.data.assign(data);
        return true;
    }
    values_.push_back(Value{std::string(name), type, std::string(data)});
    return true;
}

bool Key::remove_value(std::string_view name) {
    for (auto it = values_.begin(); it != values_.end(); ++it) {
        if (names_equal(it->name, name)) {
            values_.erase(it);
            return true;
        }
    }
    return false;
}

bool Key::same_as(const Key& other) const {
    if (name_ != other.name_ || children_.size() != other.children_.size() ||
        values_.size() != other.values_.size())
        return false;
    for (size_t i = 0; i < values_.size(); ++i) {
        const Value& a = values_[i];
        const Value& b = other.values_[i];
        if (a.name != b.name || a.type != b.type || a.data != b.data) return false;
    }
    for (size_t i = 0; i < children_.size(); ++i)
        if (!children_[i]->same_as(*other.children_[i])) return false;
    return true;
}

Key* find_path(Key& root, const KeyPath& path) {
    Key* key = &root;
    for (const std::string& name : path) {
        key = key->find_child(name);
        if (!key) return nullptr;
    }
    return key;
}

Key& make_path(Key& root, const KeyPath& path, bool* created) {
    Key* key = &root;
    bool made = false;
    for (const std::string& name : path) key = &key->make_child(name, &made);
    if (created) *created = made;
    return *key;
}

bool remove_path(Key& root, const KeyPath& path) {
    if (path.empty()) return false;
    KeyPath parent_path(path.begin(), path.end() - 1);
    Key* parent = find_path(root, parent_path);
    return parent && parent->remove_child(path.back());
}

bool path_starts_with(const KeyPath& path, const KeyPath& prefix) {
    if (prefix.size() > path.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!names_equal(path[i], prefix[i])) return false;
    return true;
}

}  // namespace orv::reg
