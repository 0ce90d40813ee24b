// Move-only owners of the platform handles the device layer holds.
#pragma once

#include <utility>

#include "platform/hid.h"
#include "platform/win32.h"

namespace orv::hidport {

template <BOOL(WINAPI* Release)(HANDLE)>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid()) Release(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

using UniqueEvent = UniqueHandle<CloseHandle>;
using UniqueHid = UniqueHandle<OrvHidClose>;
using UniqueInterfaceList = UniqueHandle<OrvHidDestroyInterfaceList>;

// A manual-reset event, created non-signalled.
inline UniqueEvent MakeManualResetEvent() {
    return UniqueEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr));
}

// An auto-reset event (a wait that ends consumes the signal), created non-signalled.
inline UniqueEvent MakeAutoResetEvent() {
    return UniqueEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr));
}

}  // namespace orv::hidport
