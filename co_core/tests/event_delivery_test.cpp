// Events through the real PIN pad control, from a fake service object calling SO* on threads of
// its own: gating by claim and freeze, by-reference parameters back to the service object,
// Release/Close inside a handler, and senders released by Close and the final release. (The
// ordering of concurrent senders and Release of a blocked sender are covered on CFireEvent
// itself and end to end with Java threads.)
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/opos.h"
#include "control_test_env.h"
#include "host/opos_events.h"
#include "platform/win32.h"

namespace orv::co::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace opos = host::opos;

class EventDeliveryTest : public PinpadWithFake {
protected:
    void SetUp() override {
        PinpadWithFake::SetUp();
        ASSERT_EQ(control_.OnEvent(opos::DataEvent,
                                   [this](const EventArgs& a) {
                                       data_.push_back(a.Long(0));
                                       threads_.push_back(GetCurrentThreadId());
                                       if (onData_) onData_(a);
                                   }),
                  S_OK);
    }
    int32_t CallLong(const char* method) {
        int32_t rc = -1;
        EXPECT_EQ(control_.Call(method, &rc), S_OK) << method;
        return rc;
    }
    void Claim() {
        int32_t rc = -1;
        ASSERT_EQ(control_.Call("Claim", &rc, 1000), S_OK);
        ASSERT_EQ(rc, 0);
    }
    // A callback from a thread of the service object's own; Done() once it has returned.
    class Raise {
    public:
        explicit Raise(std::function<void()> call)
            : thread_([this, call = std::move(call)] {
                  call();
                  done_.store(true);
              }) {}
        ~Raise() { thread_.join(); }
        bool Done() const { return done_.load(); }

    private:
        std::atomic<bool> done_{false};
        std::thread thread_;
    };

    std::vector<int32_t> data_;
    std::vector<DWORD> threads_;
    std::function<void(const EventArgs&)> onData_;
};

TEST_F(EventDeliveryTest, ForeignDataFiresOnTheOwnerThreadOnlyWhileClaimed) {
    OpenFake();
    FakeServiceObject& so = So();
    {
        Raise early([&] { so.RaiseData(1); });
        ASSERT_TRUE(PumpUntil([&] { return early.Done(); }));
    }
    EXPECT_TRUE(data_.empty()) << "not claimed: dropped";

    FakeSoConfig config;
    config.results["Claim"] = 102;
    FakeServiceObject::Configure(config);  // affects later objects only
    Claim();
    {
        Raise claimed([&] { so.RaiseData(2); });
        ASSERT_TRUE(PumpUntil([&] { return claimed.Done(); }));
    }
    ASSERT_EQ(data_, std::vector<int32_t>{2});
    EXPECT_EQ(threads_[0], GetCurrentThreadId());

    EXPECT_EQ(CallLong("Release"), 0);
    {
        Raise released([&] { so.RaiseData(3); });
        ASSERT_TRUE(PumpUntil([&] { return released.Done(); }));
    }
    EXPECT_EQ(data_, std::vector<int32_t>{2});
}

TEST_F(EventDeliveryTest, ClaimArmsEventsEvenWhenTheServiceObjectRefusesTheClaim) {
    FakeSoConfig config;
    config.results["Claim"] = 102;
    FakeServiceObject::Configure(config);
    OpenFake();
    int32_t rc = -1;
    ASSERT_EQ(control_.Call("ClaimDevice", &rc, 0), S_OK);
    EXPECT_EQ(rc, 102);
    FakeServiceObject& so = So();
    Raise raise([&] { so.RaiseData(4); });
    ASSERT_TRUE(PumpUntil([&] { return raise.Done(); }));
    EXPECT_EQ(data_, std::vector<int32_t>{4});
}

TEST_F(EventDeliveryTest, OwnerThreadCallbackFiresEvenUnclaimedAndFrozen) {
    OpenFake();
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    ASSERT_TRUE(So().RaiseData(9));
    EXPECT_EQ(data_, std::vector<int32_t>{9}) << "fired inside the call, without pumping";
}

TEST_F(EventDeliveryTest, FrozenEventIsHeldThenDeliveredOnceAfterTheThaw) {
    OpenFake();
    Claim();
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    FakeServiceObject& so = So();
    EXPECT_EQ(so.Number(PIDX_FreezeEvents), 1) << "the service object was told";
    Raise raise([&] { so.RaiseData(5); });
    PumpFor(300ms);
    EXPECT_TRUE(data_.empty());
    EXPECT_FALSE(raise.Done()) << "the sender holds the event";
    const auto thawed = Clock::now();
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(false)), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !data_.empty(); }));
    EXPECT_LE(Clock::now() - thawed, 250ms);
    ASSERT_TRUE(PumpUntil([&] { return raise.Done(); }));
    PumpFor(150ms);
    EXPECT_EQ(data_, std::vector<int32_t>{5});
    EXPECT_EQ(so.Number(PIDX_FreezeEvents), 0);
}

TEST_F(EventDeliveryTest, DirectIOAndErrorWritesReachTheServiceObject) {
    ASSERT_EQ(control_.OnEvent(opos::DirectIOEvent,
                               [](const EventArgs& a) {
                                   *a.LongRef(1) = a.Long(0) + 4;
                                   BSTR* text = a.BstrRef(2);
                                   SysFreeString(*text);
                                   *text = BstrFromAnsi("Z");
                               }),
              S_OK);
    ASSERT_EQ(control_.OnEvent(opos::ErrorEvent,
                               [](const EventArgs& a) {
                                   EXPECT_EQ(*a.LongRef(3), opos::OPOS_ER_RETRY);
                                   *a.LongRef(3) = opos::OPOS_ER_CLEAR;
                               }),
              S_OK);
    OpenFake();
    Claim();
    FakeServiceObject& so = So();
    for (bool foreign : {false, true}) {
        SCOPED_TRACE(foreign ? "foreign thread" : "owner thread");
        int32_t data = 0;
        std::string text = "abc";
        int32_t response = opos::OPOS_ER_RETRY;
        auto both = [&] {
            so.RaiseDirectIO(1, &data, &text);
            so.RaiseError(111, 0, 2, &response);
        };
        if (foreign) {
            Raise raise(both);
            ASSERT_TRUE(PumpUntil([&] { return raise.Done(); }));
        } else {
            both();
        }
        EXPECT_EQ(data, 5);
        EXPECT_EQ(text, "Z");
        EXPECT_EQ(response, opos::OPOS_ER_CLEAR);
    }
}

TEST_F(EventDeliveryTest, ReleaseOrCloseInsideAHandlerRaisesAndChangesNothing) {
    for (const char* method : {"Release", "ReleaseDevice", "Close"}) {
        SCOPED_TRACE(method);
        FakeServiceObject::ResetAll();
        data_.clear();
        OpenFake();
        Claim();
        FakeServiceObject& so = So();
        HRESULT inside = S_OK;
        std::string description;
        onData_ = [&](const EventArgs&) {
            int32_t rc = -1;
            inside = control_.Call(method, &rc);
            description = control_.LastError();
        };
        Raise raise([&] { so.RaiseData(1); });
        ASSERT_TRUE(PumpUntil([&] { return raise.Done(); }));
        onData_ = nullptr;
        EXPECT_EQ(inside, DISP_E_EXCEPTION);
        EXPECT_EQ(description, "Released while event in progress");
        EXPECT_EQ(FakeServiceObject::CountCalls("Release"), 0u);
        EXPECT_EQ(FakeServiceObject::CountCalls("Close"), 0u);
        // A refused call changes nothing: the service object still holds the claim (no Release
        // reached it) and later events still arrive; the same call outside the handler succeeds.
        Raise late([&] { so.RaiseData(2); });
        ASSERT_TRUE(PumpUntil([&] { return late.Done(); }));
        EXPECT_EQ(data_, (std::vector<int32_t>{1, 2}));
        EXPECT_EQ(CallLong(method), 0);
        if (std::string(method) != "Close") {
            EXPECT_EQ(CallLong("Close"), 0);
        }
        EXPECT_EQ(FakeServiceObject::LiveCount(), 0);
    }
}

// The service object's own property-error step fires ErrorEvent on the application's thread in
// the middle of a property read: the service object is below the handler on the stack, so the
// handler must not be able to close (and free) it.
TEST_F(EventDeliveryTest, CloseInsideAnOwnerThreadEventIsRefusedToo) {
    FakeSoConfig config;
    config.errorOnGetNumber = PIDX_DeviceEnabled;
    FakeServiceObject::Configure(config);
    OpenFake();
    HRESULT inside = S_OK;
    int errors = 0;
    ASSERT_EQ(control_.OnEvent(opos::ErrorEvent,
                               [&](const EventArgs& a) {
                                   ++errors;
                                   EXPECT_EQ(a.Long(0), 111);
                                   int32_t rc = -1;
                                   inside = control_.Call("Close", &rc);
                               }),
              S_OK);
    bool enabled = true;
    ASSERT_EQ(control_.Get("DeviceEnabled", &enabled), S_OK);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(inside, DISP_E_EXCEPTION);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(FakeServiceObject::LiveCount(), 1);
}

TEST_F(EventDeliveryTest, CallbacksAfterCloseAreDropped) {
    OpenFake();
    Claim();
    IDispatch* control = control_.Dispatch();
    EXPECT_EQ(CallLong("Close"), 0);
    DispatchDriver driver(control, false);
    DISPID soData = 0;
    ASSERT_EQ(driver.GetDispId("SOData", &soData), S_OK);
    Raise raise([&] { driver.Call(soData, nullptr, 1); });
    ASSERT_TRUE(PumpUntil([&] { return raise.Done(); }, 1s));
    EXPECT_TRUE(data_.empty());
}

TEST_F(EventDeliveryTest, FinalReleaseLetsABlockedSenderGo) {
    OpenFake();
    Claim();
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    FakeServiceObject& so = So();
    // The fake keeps a raw pointer as a real service object does; the control closes it (and
    // so clears that pointer) before it goes away, while the sender is already inside.
    Raise raise([&] { so.RaiseData(1); });
    PumpFor(150ms);
    ASSERT_FALSE(raise.Done());
    control_.Reset();
    ASSERT_TRUE(PumpUntil([&] { return raise.Done(); }, 1s));
    EXPECT_EQ(FakeServiceObject::LiveCount(), 0);
}

}  // namespace
}  // namespace orv::co::test
