// A control object for the close races: it counts the SO* calls it gets, and Die() stands for
// its destruction (the application's last Release). Its memory stays valid, so a call that
// starts after Die(), or is still running when Die() comes, is counted as a late call instead of
// touching freed memory.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "platform/dispatch_map.h"

namespace orv::so::test {

class CountingControl final : public DispatchObject<CountingControl> {
public:
    static CountingControl* Create() { return new CountingControl; }
    static std::span<const DispatchEntry> DispatchMembers() {
        using C = CountingControl;
        static constexpr DispatchEntry kMembers[] = {
            DispMethod<&C::SOData, VT_I4, VT_I4>("SOData"),
            DispMethod<&C::SODirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("SODirectIO"),
            DispMethod<&C::SOError, VT_I4, VT_I4, VT_I4, VT_I4, VT_I4 | VT_BYREF>("SOError"),
            DispMethod<&C::SOStatusUpdate, VT_I4, VT_I4>("SOStatusUpdate"),
            DispMethod<&C::SOOutputComplete, VT_I4, VT_I4>("SOOutputComplete"),
        };
        return kMembers;
    }

    void Die() {
        dead_.store(true);
        if (inside_.load() > 0) late_.fetch_add(1);
    }
    uint64_t Calls() const { return calls_.load(); }
    uint64_t LateCalls() const { return late_.load(); }

private:
    CountingControl() = default;
    // Sequentially consistent: a call and Die() racing each other see at least one of the
    // other's writes, so the late call is counted on one side.
    int32_t Count() {
        inside_.fetch_add(1);
        (dead_.load() ? late_ : calls_).fetch_add(1);
        inside_.fetch_sub(1);
        return 0;
    }
    int32_t SOData(int32_t) { return Count(); }
    int32_t SODirectIO(int32_t, int32_t*, BSTR*) { return Count(); }
    int32_t SOError(int32_t, int32_t, int32_t, int32_t*) { return Count(); }
    int32_t SOStatusUpdate(int32_t) { return Count(); }
    int32_t SOOutputComplete(int32_t) { return Count(); }

    std::atomic<bool> dead_{false};
    std::atomic<int> inside_{0};
    std::atomic<uint64_t> calls_{0};
    std::atomic<uint64_t> late_{0};
};

}  // namespace orv::so::test
