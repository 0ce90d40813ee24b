// Named locks shared by every module of the process, for work that must happen once per
// process although each service object library carries its own copy of its core (as separate
// Windows DLLs would): a static mutex there is one per library, a lock here is one per process,
// as a named mutex is on Windows.
#pragma once

#include "platform/wintypes.h"

extern "C" {

// Waits for the lock of that name and takes it; the lock is made at its first use and lives
// until the process ends. The owning thread may take it again (each take needs its leave).
// FALSE with ERROR_INVALID_PARAMETER for a null or empty name, ERROR_NOT_ENOUGH_MEMORY when no
// lock can be made; the lock is not taken then.
ORV_API BOOL WINAPI OrvEnterProcessLock(LPCSTR name);
// Gives back one take. FALSE with ERROR_NOT_OWNER when the calling thread does not hold it (or
// the name was never used).
ORV_API BOOL WINAPI OrvLeaveProcessLock(LPCSTR name);

}  // extern "C"

namespace orv {

// Holds a process lock for a scope; Held() is false when it could not be taken.
class ProcessLockGuard {
public:
    explicit ProcessLockGuard(LPCSTR name) : name_(name), held_(OrvEnterProcessLock(name) != FALSE) {}
    ~ProcessLockGuard() {
        if (held_) OrvLeaveProcessLock(name_);
    }
    ProcessLockGuard(const ProcessLockGuard&) = delete;
    ProcessLockGuard& operator=(const ProcessLockGuard&) = delete;
    bool Held() const { return held_; }

private:
    LPCSTR name_;
    bool held_;
};

}  // namespace orv
