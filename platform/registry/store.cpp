#include "store.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "ansi_codepage.h"
#include "error_text.h"
#include "platform/win32.h"
#include "platform/winerror.h"
#include "reg_file_parse.h"
#include "reg_file_write.h"

namespace orv::reg {

Store& Store::instance() {
    static Store store;
    return store;
}

void Store::set_missing() {
    if (state_ == State::Missing) return;
    root_ = std::make_unique<Key>();
    held_.reset();
    state_ = State::Missing;
    ++generation_;
}

void Store::report(const std::string& why) {
    set_error_text(why);
    if (reported_.insert(why).second) OutputDebugStringA(("registry: " + why + "\n").c_str());
}

LONG Store::refresh() {
    const char* env = std::getenv("ORV_REGISTRY");
    const char* wanted = env && *env ? env : kDefaultStorePath;
    if (path_ != wanted) {
        path_ = wanted;
        state_ = State::Unknown;
    }
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0) {
        int err = errno;
        if (err == ENOENT || err == ENOTDIR) {
            set_missing();
            return ERROR_SUCCESS;
        }
        state_ = State::Unknown;
        report(path_ + ": " + std::generic_category().message(err));
        return err == EACCES || err == EPERM ? ERROR_ACCESS_DENIED : ERROR_CANTREAD;
    }
    if ((state_ == State::Loaded || state_ == State::Malformed) && identity_of(st) == identity_) {
        if (state_ == State::Loaded) return ERROR_SUCCESS;
        set_error_text(malformed_);
        return ERROR_BADDB;
    }
    return load();
}

LONG Store::load() {
    UniqueFd fd;
    FileIdentity identity;
    std::string bytes, why;
    LONG status = read_whole_file(path_, fd, identity, bytes, why);
    if (status == ERROR_FILE_NOT_FOUND) {  // removed since the stat
        set_missing();
        return ERROR_SUCCESS;
    }
    ++generation_;
    root_ = std::make_unique<Key>();
    if (status == ERROR_SUCCESS) {
        ParsedFile parsed = parse_reg_file(bytes);
        if (!parsed.failure) {
            apply_ops(*root_, parsed.ops);
            held_ = std::move(fd);
            identity_ = identity;
            state_ = State::Loaded;
            return ERROR_SUCCESS;
        }
        why = path_ + ":" + std::to_string(parsed.failure->line) + ": " +
              ansi_to_utf8(parsed.failure->what);
    } else if (status != ERROR_BADDB) {
        state_ = State::Unknown;  // try again next time
        report(why);
        return status;
    }
    // Malformed: remembered until the file changes, so an unchanged bad file is not re-parsed.
    held_ = std::move(fd);
    identity_ = identity;
    state_ = State::Malformed;
    malformed_ = std::move(why);
    report(malformed_);
    return ERROR_BADDB;
}

LONG Store::check_writable() {
    std::string why;
    LONG status = orv::reg::check_writable(path_, why);
    if (status != ERROR_SUCCESS) set_error_text(why);
    return status;
}

LONG Store::modify(const MutationFn& fn) {
    LONG status = refresh();
    if (status != ERROR_SUCCESS) return status;
    Mutation check = fn(*root_, false);
    if (check.status != ERROR_SUCCESS) return check.status;
    status = check_writable();
    if (status != ERROR_SUCCESS || !check.changed) return status;

    std::string why;
    FileLock lock;
    const std::string target = write_target(path_);
    status = make_parent_folder(target, why);
    if (status == ERROR_SUCCESS) status = lock.acquire(target + ".lock", lock_timeout_ms(), why);
    if (status != ERROR_SUCCESS) {
        set_error_text(why);
        return status;
    }
    remove_stale_temporaries(target);
    status = refresh();  // another process may have written since
    if (status != ERROR_SUCCESS) return status;
    try {
        return apply_and_write(fn);
    } catch (...) {
        state_ = State::Unknown;  // the tree may hold half a change; the file does not
        throw;
    }
}

LONG Store::apply_and_write(const MutationFn& fn) {
    ++generation_;
    Mutation change = fn(*root_, true);
    if (change.status != ERROR_SUCCESS || !change.changed) return change.status;
    std::string why;
    std::string text = write_reg_file(*root_, "HKEY_LOCAL_MACHINE");
    LONG status = replace_file(path_, text, &held_, &identity_, why);
    if (status != ERROR_SUCCESS) {
        state_ = State::Unknown;  // the tree is ahead of the file: read the file again
        set_error_text(why);
        return status;
    }
    state_ = State::Loaded;
    return ERROR_SUCCESS;
}

}  // namespace orv::reg
