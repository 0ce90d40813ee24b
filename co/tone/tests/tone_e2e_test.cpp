// End to end: the tone indicator control, the real tone indicator service object, the JVM and
// the simulated terminal's beeper. Output-complete events come from the beeper's thread.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <fstream>
#include <sstream>
#include <thread>

#include "device_e2e.h"
#include "host/opos_events.h"
#include "platform/win32.h"
#include "sim_terminal.h"

namespace orv::co::test {
namespace {

using namespace std::chrono_literals;

constexpr DISPID kErrorEvent = 3, kStatusUpdateEvent = 4;
constexpr DISPID kOutputCompleteEvent = host::opos::tone::OutputCompleteEvent;

auto* const kInstallation =
    static_cast<DeviceInstallation*>(::testing::AddGlobalTestEnvironment(new DeviceInstallation(
        {ORV_TONE_CONTROL, ORV_TONE_BRIDGE},
        {{"SOFTWARE\\OLEforRetail\\ServiceOPOS\\ToneIndicator\\T1", "ORVTone.so"}})));

class ToneEndToEnd : public DeviceControlTest {
protected:
    void SetUp() override { CreateControl("OPOS.ToneIndicator"); }
    // Open, claim, enable; one cycle lasts 20 ms; AsyncMode as asked.
    void Ready(bool async) {
        OpenClaimEnable("T1");
        ASSERT_EQ(control_.Put("Tone1Duration", 20), S_OK);
        ASSERT_EQ(control_.Put("Tone2Duration", 0), S_OK);
        ASSERT_EQ(control_.Put("AsyncMode", DispArg::Bool(async)), S_OK);
        ASSERT_EQ(Long("ResultCode"), 0);
    }
    int32_t Sound(int32_t cycles, int32_t wait) {
        int32_t rc = -1;
        EXPECT_EQ(control_.Call("Sound", &rc, cycles, wait), S_OK);
        return rc;
    }
    std::vector<int32_t> CompletedIds() const {
        std::vector<int32_t> ids;
        for (const SeenEvent& e : EventsOf(kOutputCompleteEvent)) ids.push_back(e.value);
        return ids;
    }
};

TEST_F(ToneEndToEnd, AsynchronousTonesCompleteInOrderWithTheirIds) {
    Ready(true);
    std::vector<int32_t> ids;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(Sound(2, 10), 0);
        ids.push_back(Long("OutputID"));
    }
    EXPECT_LT(ids[0], ids[1]);
    EXPECT_LT(ids[1], ids[2]);
    ASSERT_TRUE(Pump([&] { return CompletedIds().size() == 3; }));
    EXPECT_EQ(CompletedIds(), ids);
    for (const SeenEvent& e : EventsOf(kOutputCompleteEvent))
        EXPECT_EQ(e.thread, GetCurrentThreadId());
    PumpFor(100ms);
    EXPECT_EQ(CompletedIds().size(), 3u);
}

TEST_F(ToneEndToEnd, ClearOutputCancelsQueuedTonesWithoutEvents) {
    Ready(true);
    ASSERT_EQ(Sound(1000, 0), 0);  // 20 s
    ASSERT_EQ(Sound(1, 0), 0);
    ASSERT_EQ(Sound(INT_MAX, 0), 0);  // a huge count queues like any other
    const int32_t last = Long("OutputID");
    EXPECT_EQ(Call0("ClearOutput"), 0);
    EXPECT_EQ(Long("ResultCode"), 0);
    PumpFor(200ms);
    EXPECT_TRUE(CompletedIds().empty());
    // The next request carries on the numbering and completes.
    ASSERT_EQ(Sound(1, 0), 0);
    EXPECT_EQ(Long("OutputID"), last + 1);
    ASSERT_TRUE(Pump([&] { return CompletedIds().size() == 1; }));
    EXPECT_EQ(CompletedIds()[0], last + 1);
}

TEST_F(ToneEndToEnd, FreezeEventsHoldsOutputCompleteUntilThawed) {
    Ready(true);
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    ASSERT_EQ(Sound(1, 0), 0);
    const int32_t id = Long("OutputID");
    PumpFor(250ms);
    EXPECT_TRUE(CompletedIds().empty());
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(false)), S_OK);
    ASSERT_TRUE(Pump([&] { return CompletedIds().size() == 1; }));
    EXPECT_EQ(CompletedIds()[0], id);
}

// Counts the beeper cannot sound: 111 from the service object, no output queued.
TEST_F(ToneEndToEnd, SoundRefusesCountsItCannotSound) {
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "async" : "sync");
        if (async) {
            Call0("Close");
            Ready(true);
        } else {
            Ready(false);
        }
        const int32_t before = Long("OutputID");
        const struct {
            int32_t cycles, wait;
        } kBad[] = {{0, 0}, {-2, 0}, {INT_MIN, 0}, {1, -1}, {1, INT_MIN}};
        for (const auto& b : kBad) {
            EXPECT_EQ(Sound(b.cycles, b.wait), 111) << b.cycles << "," << b.wait;
            EXPECT_EQ(Long("ResultCode"), 111);
        }
        if (!async) {
            EXPECT_EQ(Sound(-1, 0), 111);       // forever needs AsyncMode
            EXPECT_EQ(Sound(INT_MAX, 0), 111);  // too long to wait for (queues when async)
        }
        EXPECT_EQ(Long("OutputID"), before);
    }
    PumpFor(100ms);
    EXPECT_TRUE(CompletedIds().empty());
}

TEST_F(ToneEndToEnd, SynchronousSoundsCompleteBeforeReturningWithoutEvents) {
    Ready(false);
    EXPECT_EQ(Sound(2, 10), 0);
    EXPECT_EQ(Call0("SoundImmediate"), 0);
    EXPECT_EQ(Long("ResultCode"), 0);
    PumpFor(100ms);
    EXPECT_TRUE(CompletedIds().empty());
}

// A tone indicator has no input: the control answers these itself, 0 with ResultCode 106,
// where the service object would have given 2, 10 and 12, and ClearInput 106; the next call is
// the service object's again.
TEST_F(ToneEndToEnd, InputPropertiesAnswerZeroWith106) {
    const struct {
        const char* name;
        bool writable;
    } kProperties[] = {{"DataEventEnabled", true}, {"AutoDisable", true}, {"DataCount", false}};
    for (const auto& p : kProperties) EXPECT_EQ(Long(p.name), 0) << "closed " << p.name;
    EXPECT_EQ(Call0("ClearInput"), 101);
    EXPECT_EQ(Long("ResultCode"), 0);
    Ready(true);
    for (const auto& [name, writable] : kProperties) {
        EXPECT_EQ(Long(name), 0) << name;
        EXPECT_EQ(Long("ResultCode"), 106) << name;
        EXPECT_EQ(Long("ResultCodeExtended"), 0) << name;
        EXPECT_EQ(Long("Tone1Duration"), 20);
        EXPECT_EQ(Long("ResultCode"), 0) << "after reading " << name;
        if (!writable) continue;
        ASSERT_EQ(control_.Put(name, 1), S_OK);
        EXPECT_EQ(Long("ResultCode"), 106) << name;
        EXPECT_EQ(Long(name), 0) << name;  // the write changed nothing
    }
    // ClearInput likewise; a method brings the service object's ResultCode back too.
    EXPECT_EQ(Call0("ClearInput"), 106);
    EXPECT_EQ(Long("ResultCode"), 106);
    EXPECT_EQ(Sound(0, 0), 111);
    EXPECT_EQ(Long("ResultCode"), 111);
}

// Called directly, the service object still answers those indexes with the index itself.
TEST_F(ToneEndToEnd, ServiceObjectKeepsTheIndexEchoForOtherCallers) {
    host::Control so;
    ASSERT_EQ(so.Create("ORVTone.so"), S_OK);
    for (int32_t index : {2, 10, 12, 99999}) {
        int32_t value = -1;
        ASSERT_EQ(so.Call("GetPropertyNumber", &value, index), S_OK);
        EXPECT_EQ(value, index);
    }
    ASSERT_EQ(so.Call("SetPropertyNumber", nullptr, 2, 1), S_OK);
    int32_t resultCode = -1;
    ASSERT_EQ(so.Call("GetPropertyNumber", &resultCode, 6), S_OK);
    EXPECT_EQ(resultCode, 0);
}

// Errors and status updates travel through the tone's callback list to the application.
TEST_F(ToneEndToEnd, ErrorsAndStatusUpdatesReachTheApplication) {
    Ready(true);
    ASSERT_EQ(Sound(1000, 0), 0);
    // The beeper fails during the output; the application clears it: no completion follows.
    ASSERT_TRUE(Pump([&] { return Sim("error T1 111").substr(0, 2) == "OK"; }, 2s));
    ASSERT_TRUE(Pump([&] { return !EventsOf(kErrorEvent).empty(); }));
    EXPECT_EQ(EventsOf(kErrorEvent)[0].value, 111);
    EXPECT_EQ(EventsOf(kErrorEvent)[0].thread, GetCurrentThreadId());
    EXPECT_EQ(Sim("status T1 2001").substr(0, 2), "OK");
    ASSERT_TRUE(Pump([&] { return !EventsOf(kStatusUpdateEvent).empty(); }));
    EXPECT_EQ(EventsOf(kStatusUpdateEvent)[0].value, 2001);
    PumpFor(100ms);
    EXPECT_TRUE(CompletedIds().empty());
    // A refused property value: ResultCode 106 and one ErrorEvent at once.
    ASSERT_EQ(control_.Put("Tone1Volume", 101), S_OK);
    EXPECT_EQ(Long("ResultCode"), 106);
    ASSERT_EQ(EventsOf(kErrorEvent).size(), 2u);
    EXPECT_EQ(EventsOf(kErrorEvent)[1].value, 106);
}

// A tone indicator has no input: a data event from Java is traced by the service object and
// reaches nobody, while a status update raised the same way arrives.
TEST_F(ToneEndToEnd, DataEventsReachNothing) {
    Ready(true);
    JavaEventRaiser raiser("T1");
    ASSERT_TRUE(raiser.Ready());
    std::atomic<int> raised{0};
    std::thread java([&] {
        if (raiser.Data(5)) ++raised;
        if (raiser.StatusUpdate(2001)) ++raised;
    });
    const bool arrived = Pump([&] { return !EventsOf(kStatusUpdateEvent).empty(); });
    java.join();
    ASSERT_TRUE(arrived);
    EXPECT_EQ(raised.load(), 2);
    ASSERT_EQ(events_.size(), 1u);
    EXPECT_EQ(events_[0].value, 2001);
    EXPECT_EQ(Call0("Close"), 0);
    std::ifstream in(kInstallation->LogFolder() / "toneso.log");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("EventJNI: Received Data Event"), std::string::npos);
}

TEST_F(ToneEndToEnd, TraceShowsClearOutputAndNoOpenLine) {
    IID events{};
    ASSERT_EQ(control_.EventInterface(&events), S_OK);
    EXPECT_TRUE(events == host::opos::kToneControlEvents);
    Ready(true);
    EXPECT_EQ(Call0("ClearOutput"), 0);
    EXPECT_EQ(Call0("Close"), 0);
    std::ifstream in(kInstallation->LogFolder() / "toneso.log");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().find("Begin OpenService"), std::string::npos);
    EXPECT_NE(text.str().find("Begin clearing Output"), std::string::npos);
    EXPECT_NE(text.str().find("Clear output is successfully done"), std::string::npos);
}

}  // namespace
}  // namespace orv::co::test
