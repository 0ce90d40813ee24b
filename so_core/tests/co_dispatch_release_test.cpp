// Releasing the driver while callbacks are in flight: the release waits for them, no callback
// starts after it began, a release from inside a callback does not wait for itself, and a
// control "destroyed" right after each release is never called again.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "counting_control.h"
#include "so_core/co_dispatch_driver.h"
#include "test_control.h"

namespace orv::so {
namespace {

using test::CountingControl;
using test::RecordingControl;

constexpr const char* kCallbacks[] = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate",
                                      "SOOutputComplete"};

TEST(CoDispatchRelease, WaitsForTheCallInsideTheControlAndRefusesNewOnes) {
    auto* control = RecordingControl::Create();
    CoDispatchDriver driver(kCallbacks);
    ASSERT_TRUE(driver.AttachAndLookUp(control));
    std::atomic<bool> released{false};
    std::atomic<bool> releasedWhileInside{true};
    HRESULT lateCall = E_FAIL;
    std::thread releaser;
    control->OnCall([&](const test::ControlCall& call) {
        if (call.kind != "SOData") return;
        releaser = std::thread([&] {
            driver.ReleaseDispatch();
            released.store(true);
        });
        // Detached means the releaser is inside ReleaseDispatch; it must not come out while
        // this call is still here.
        while (driver.IsAttached()) std::this_thread::yield();
        std::thread other([&] { lateCall = driver.SOStatusUpdate(2); });
        other.join();
        releasedWhileInside.store(released.load());
    });
    EXPECT_EQ(driver.SOData(1), S_OK);
    releaser.join();
    EXPECT_FALSE(releasedWhileInside.load()) << "the release returned while a call was inside";
    EXPECT_TRUE(released.load());
    EXPECT_EQ(lateCall, S_FALSE) << "no call starts once the release has begun";
    EXPECT_EQ(control->Count("SOStatusUpdate"), 0u);
    control->OnCall(nullptr);
    control->Release();
}

TEST(CoDispatchRelease, AReleaseFromInsideACallbackDoesNotWaitForItself) {
    auto* control = RecordingControl::Create();
    CoDispatchDriver driver(kCallbacks);
    ASSERT_TRUE(driver.AttachAndLookUp(control));
    control->OnCall([&](const test::ControlCall&) { driver.ReleaseDispatch(); });
    EXPECT_EQ(driver.SOData(1), S_OK);  // would never return if the release waited for itself
    EXPECT_FALSE(driver.IsAttached());
    EXPECT_EQ(driver.SOData(2), S_FALSE);
    control->OnCall(nullptr);
    control->Release();
}

// The failure as it happens: senders on other threads call the control in a loop, the owner
// releases and at once destroys the control, round after round.
TEST(CoDispatchRelease, AControlDestroyedRightAfterTheReleaseIsNeverCalled) {
    constexpr int kRounds = 3000, kSenders = 2;
    CoDispatchDriver driver(kCallbacks);
    std::atomic<bool> stop{false};
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&, s] {
            int32_t response = 0;
            while (!stop.load()) {
                if (s == 0)
                    driver.SOData(1);
                else
                    driver.SOError(111, 0, 1, &response);
            }
        });
    }
    std::vector<CountingControl*> controls;
    controls.reserve(kRounds);
    int roundsWithCalls = 0;
    for (int round = 0; round < kRounds; ++round) {
        auto* control = CountingControl::Create();
        controls.push_back(control);
        ASSERT_TRUE(driver.AttachAndLookUp(control));
        while (control->Calls() == 0 && round % 4 == 0) std::this_thread::yield();
        driver.ReleaseDispatch();
        control->Die();
        if (control->Calls() > 0) ++roundsWithCalls;
    }
    stop.store(true);
    for (auto& t : senders) t.join();
    uint64_t late = 0;
    for (CountingControl* c : controls) {
        late += c->LateCalls();
        c->Release();
    }
    EXPECT_EQ(late, 0u);
    EXPECT_GE(roundsWithCalls, kRounds / 4) << "the senders reached the controls";
}

}  // namespace
}  // namespace orv::so
