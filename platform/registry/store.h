// The process-wide registry: the key tree parsed from the registry file, kept until the file
// changes, and the write transaction that changes the file for everyone.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "key_tree.h"
#include "platform/registry_ext.h"
#include "store_file.h"

namespace orv::reg {

inline constexpr char kDefaultStorePath[] = ORV_REGISTRY_DEFAULT_PATH;

// Result of a change: status != ERROR_SUCCESS refuses it (nothing applied); changed == false
// means there is nothing to write.
struct Mutation {
    LONG status = 0;
    bool changed = false;
};
// Called twice: first with apply == false to check (and to learn whether anything would
// change), then under the file lock, on the tree as the file has it then, with apply == true.
using MutationFn = std::function<Mutation(Key& root, bool apply)>;

class Store {
public:
    static Store& instance();

    // Guards the store and the handle table; every use of either holds it.
    std::mutex& mutex() { return mutex_; }

    // Brings the tree up to date with the file: re-reads it only when its identity changed. A
    // missing file is an empty registry. ERROR_BADDB while the file is malformed.
    LONG refresh();

    // Runs a change as one transaction: write permission, exclusive lock, re-read if another
    // process changed the file, apply, atomic replace. A malformed file is never replaced.
    LONG modify(const MutationFn& fn);

    Key& root() { return *root_; }
    // Changes whenever the tree is replaced or changed; cached key pointers are valid only for
    // the generation they were found in.
    uint64_t generation() const { return generation_; }
    const std::string& path() const { return path_; }
    // Applies the rule of check_writable to the registry file.
    LONG check_writable();

private:
    enum class State { Unknown, Missing, Loaded, Malformed };

    void set_missing();
    // Sets the error text and, the first time this process meets that problem, says it in the
    // debugger output: applications otherwise see only "is it registered?".
    void report(const std::string& why);
    LONG load();
    LONG apply_and_write(const MutationFn& fn);

    std::mutex mutex_;
    std::string path_;
    State state_ = State::Unknown;
    FileIdentity identity_;
    UniqueFd held_;
    std::unique_ptr<Key> root_ = std::make_unique<Key>();
    uint64_t generation_ = 1;
    std::string malformed_;
    std::set<std::string> reported_;
};

}  // namespace orv::reg
