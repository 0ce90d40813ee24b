// Named process locks: one table in the process, a lock per name, each with its owner and its
// depth so that a take by the owner nests and a leave by anyone else is refused.
#include "platform/process_lock.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "platform/win32.h"

namespace orv::win32 {
namespace {

struct NamedLock {
    std::thread::id owner;  // default id: free
    unsigned depth = 0;
    std::condition_variable freed;
};

struct LockTable {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<NamedLock>, std::less<>> locks;
};

LockTable& Table() {
    static LockTable* table = new LockTable;  // never destroyed: libraries may lock at exit
    return *table;
}

}  // namespace
}  // namespace orv::win32

using orv::win32::NamedLock;
using orv::win32::Table;

ORV_API BOOL WINAPI OrvEnterProcessLock(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto& table = Table();
    const std::thread::id self = std::this_thread::get_id();
    try {
        std::unique_lock lock(table.mutex);
        auto it = table.locks.find(std::string_view(name));
        if (it == table.locks.end()) it = table.locks.emplace(name, std::make_unique<NamedLock>()).first;
        NamedLock& named = *it->second;  // never erased: the reference stays good while waiting
        if (named.owner != self) {
            named.freed.wait(lock, [&] { return named.depth == 0; });
            named.owner = self;
        }
        ++named.depth;
        return TRUE;
    } catch (...) {  // std::bad_alloc, std::system_error: nothing was taken
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

ORV_API BOOL WINAPI OrvLeaveProcessLock(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto& table = Table();
    std::unique_lock lock(table.mutex);
    const auto it = table.locks.find(std::string_view(name));
    if (it == table.locks.end() || it->second->depth == 0 ||
        it->second->owner != std::this_thread::get_id()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    NamedLock& named = *it->second;
    if (--named.depth == 0) {
        named.owner = std::thread::id();
        lock.unlock();
        named.freed.notify_one();
    }
    return TRUE;
}
