// Owners of the two handle kinds the suite opens everywhere: registry keys and file
// descriptors. Each closes what it holds when it goes; Close() closes early and tells how it went
// for the callers that report a failed close.
#pragma once

#include <unistd.h>

#include "platform/registry.h"

namespace orv {

template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::kNone; }
    // For the out-parameter of an opening call; whatever was held is closed first.
    Handle* out() {
        reset();
        return &handle_;
    }
    Handle release() {
        const Handle handle = handle_;
        handle_ = Traits::kNone;
        return handle;
    }
    void reset(Handle handle = Traits::kNone) {
        if (handle_ != Traits::kNone) Traits::Close(handle_);
        handle_ = handle;
    }
    // Closes now; the closing call's result (Traits::kClosed when nothing was held).
    auto Close() {
        if (handle_ == Traits::kNone) return Traits::kClosed;
        return Traits::Close(release());
    }

private:
    Handle handle_ = Traits::kNone;
};

struct HkeyTraits {
    using Handle = HKEY;
    static constexpr HKEY kNone = nullptr;
    static constexpr LSTATUS kClosed = ERROR_SUCCESS;
    static LSTATUS Close(HKEY key) { return RegCloseKey(key); }
};

struct FdTraits {
    using Handle = int;
    static constexpr int kNone = -1;
    static constexpr int kClosed = 0;
    static int Close(int fd) { return ::close(fd); }
};

using UniqueHkey = UniqueHandle<HkeyTraits>;
using UniqueFd = UniqueHandle<FdTraits>;

}  // namespace orv
