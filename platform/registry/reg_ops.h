// What a .reg file says, as a list of changes to apply to the key tree, and the root keys the
// files and the tools may name.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "key_tree.h"

namespace orv::reg {

struct RootKey {
    std::string_view name;        // as .reg files and exports write it
    std::string_view short_name;  // as reg.exe also accepts it
    bool classes;                 // true: the view of HKEY_LOCAL_MACHINE\SOFTWARE\Classes
};
inline constexpr RootKey kRootKeys[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM", false},
    {"HKEY_CLASSES_ROOT", "HKCR", true},
};
// Where HKEY_CLASSES_ROOT lives below HKEY_LOCAL_MACHINE.
const KeyPath& classes_path();
// The root named (either spelling, any case), or null.
const RootKey* find_root(std::string_view name);

struct RegOp {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind;
    KeyPath path;      // below HKEY_LOCAL_MACHINE
    std::string name;  // value name (SetValue, DeleteValue)
    DWORD type = 0;
    std::string data;
};

// Applies the changes in order: keys are created with their parents, deletions take whole
// subtrees, a missing key or value to delete is no error (as when importing with regedit).
void apply_ops(Key& root, const std::vector<RegOp>& ops);

}  // namespace orv::reg
