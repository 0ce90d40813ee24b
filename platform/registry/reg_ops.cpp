#include "reg_ops.h"

#include "ansi_codepage.h"

namespace orv::reg {

const KeyPath& classes_path() {
    static const KeyPath path{"SOFTWARE", "Classes"};
    return path;
}

const RootKey* find_root(std::string_view name) {
    for (const RootKey& root : kRootKeys)
        if (names_equal(name, root.name) || names_equal(name, root.short_name)) return &root;
    return nullptr;
}

void apply_ops(Key& root, const std::vector<RegOp>& ops) {
    for (const RegOp& op : ops) {
        switch (op.kind) {
            case RegOp::Kind::CreateKey:
                make_path(root, op.path, nullptr);
                break;
            case RegOp::Kind::DeleteKey:
                remove_path(root, op.path);
                break;
            case RegOp::Kind::SetValue:
                make_path(root, op.path, nullptr).set_value(op.name, op.type, op.data);
                break;
            case RegOp::Kind::DeleteValue:
                if (Key* key = find_path(root, op.path)) key->remove_value(op.name);
                break;
        }
    }
}

}  // namespace orv::reg
