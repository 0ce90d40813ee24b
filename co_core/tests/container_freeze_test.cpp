// The traits a descriptor switches: container freezes (IOleControl::FreezeEvents) that nest and
// reach the service object, a FreezeEvents property that is only forwarded, no name check, and
// other event DISPIDs. Run on a second control built on the core, and on the PIN pad control,
// which has none of these traits.
#include <gtest/gtest.h>

#include <thread>

#include "platform/opos.h"
#include "control_test_env.h"

namespace orv::co::test {
namespace {

using namespace std::chrono_literals;

class FreezeControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeServiceObject::ResetAll();
        ASSERT_TRUE(com_);
        ASSERT_EQ(control_.Create("OrvTest.FreezeControl"), S_OK);
    }
    int32_t Open() {
        int32_t rc = -1;
        EXPECT_EQ(control_.Call("Open", &rc, "FAKE"), S_OK);
        return rc;
    }

    host::ComApartment com_;
    host::Control control_;
};

TEST_F(FreezeControlTest, ContainerFreezesNestAndOnlyTheOuterPairReachesTheServiceObject) {
    ASSERT_EQ(Open(), 0);
    FakeServiceObject::ClearCalls();
    ASSERT_EQ(control_.FreezeEvents(true), S_OK);
    ASSERT_EQ(control_.FreezeEvents(true), S_OK);
    EXPECT_EQ(FakeServiceObject::Calls(), std::vector<std::string>{"COFreezeEvents(1)"});
    ASSERT_EQ(control_.FreezeEvents(false), S_OK);
    EXPECT_EQ(FakeServiceObject::Calls().size(), 1u) << "one freeze still stands";
    ASSERT_EQ(control_.FreezeEvents(false), S_OK);
    ASSERT_EQ(control_.FreezeEvents(false), S_OK);  // one thaw too many: ignored
    EXPECT_EQ(FakeServiceObject::Calls(),
              (std::vector<std::string>{"COFreezeEvents(1)", "COFreezeEvents(0)"}));
    ASSERT_EQ(control_.FreezeEvents(true), S_OK);
    EXPECT_EQ(FakeServiceObject::CountCalls("COFreezeEvents(1)"), 2u) << "the count is back at 0";
}

TEST_F(FreezeControlTest, FreezeBeforeOpenIsReplayedAndThereIsNoNameCheck) {
    FakeSoConfig config;
    config.missingName = "UpdateFirmware";
    FakeServiceObject::Configure(config);
    ASSERT_EQ(control_.FreezeEvents(true), S_OK);
    EXPECT_TRUE(FakeServiceObject::Calls().empty());
    ASSERT_EQ(Open(), 0);
    EXPECT_EQ(FakeServiceObject::Calls(),
              (std::vector<std::string>{"OpenService(TestFreeze,FAKE)", "GetPropertyNumber(8)",
                                        "COFreezeEvents(1)"}));
    int32_t version = 0;
    ASSERT_EQ(control_.Get("ControlObjectVersion", &version), S_OK);
    EXPECT_EQ(version, 100900);
}

TEST_F(FreezeControlTest, FreezeEventsPropertyIsOnlyForwardedAndEventsUseTheControlsDispids) {
    std::vector<std::pair<DISPID, int32_t>> fired;
    ASSERT_EQ(control_.OnEvent(1, [&](const EventArgs& a) { fired.emplace_back(1, a.Long(0)); }),
              S_OK);
    ASSERT_EQ(control_.OnEvent(2, [&](const EventArgs& a) { fired.emplace_back(2, a.Long(0)); }),
              S_OK);
    ASSERT_EQ(Open(), 0);
    int32_t rc = -1;
    ASSERT_EQ(control_.Call("Claim", &rc, 0), S_OK);
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    FakeServiceObject* so = FakeServiceObject::Current();
    ASSERT_NE(so, nullptr);
    EXPECT_EQ(so->Number(PIDX_FreezeEvents), 1);
    std::atomic<bool> done{false};
    std::thread sender([&] {
        int32_t data = 0;
        std::string text;
        so->RaiseStatusUpdate(7);
        so->RaiseDirectIO(8, &data, &text);
        done.store(true);
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }, 2s)) << "the control does not hold them";
    sender.join();
    EXPECT_EQ(fired, (std::vector<std::pair<DISPID, int32_t>>{{2, 7}, {1, 8}}));
}

TEST_F(PinpadWithFake, ContainerFreezeDoesNotReachThePinpadServiceObject) {
    OpenFake();
    FakeServiceObject::ClearCalls();
    ASSERT_EQ(control_.FreezeEvents(true), S_OK);
    ASSERT_EQ(control_.FreezeEvents(false), S_OK);
    EXPECT_TRUE(FakeServiceObject::Calls().empty());
}

}  // namespace
}  // namespace orv::co::test
