// End to end: the POS keyboard control, the real POS keyboard service object, the JVM and the
// simulated terminal. Key presses come from the terminal's own event thread.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "device_e2e.h"
#include "host/opos_events.h"
#include "platform/win32.h"

namespace orv::co::test {
namespace {

using namespace std::chrono_literals;

constexpr DISPID kDataEvent = 1, kErrorEvent = 3, kStatusUpdateEvent = 4;
constexpr int32_t KBD_ET_DOWN = 1, KBD_ET_DOWN_UP = 2;
constexpr int32_t KBD_KET_KEYDOWN = 1, KBD_KET_KEYUP = 2;

auto* const kInstallation =
    static_cast<DeviceInstallation*>(::testing::AddGlobalTestEnvironment(new DeviceInstallation(
        {ORV_KEYBOARD_CONTROL, ORV_KEYPAD_BRIDGE},
        {{"SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSKeyboard\\K1", "ORVKbd.so"}})));

// What the application read inside one DataEvent handler.
struct Key {
    int32_t status;
    int32_t data;
    int32_t eventType;
    DWORD thread;
};

class KeyboardEndToEnd : public DeviceControlTest {
protected:
    void SetUp() override {
        CreateControl("OPOS.POSKeyboard");
        // Reading the key inside the handler, then asking for the next data event.
        onEvent_ = [this](DISPID id, const EventArgs& a) {
            if (id != kDataEvent) return;
            keys_.push_back(
                {a.Long(0), Long("POSKeyData"), Long("POSKeyEventType"), GetCurrentThreadId()});
            control_.Put("DataEventEnabled", DispArg::Bool(true));
        };
    }
    void Ready(int32_t eventTypes) {
        OpenClaimEnable("K1");
        ASSERT_EQ(control_.Put("EventTypes", eventTypes), S_OK);
        ASSERT_EQ(Long("ResultCode"), 0);
        ASSERT_EQ(control_.Put("DataEventEnabled", DispArg::Bool(true)), S_OK);
    }

    std::vector<Key> keys_;
};

TEST_F(KeyboardEndToEnd, KeyPressGivesDownAndUpEventsOnTheApplicationThread) {
    Ready(KBD_ET_DOWN_UP);
    EXPECT_TRUE(Long("CapKeyUp"));
    // Named keys, digits, and codes outside the named table pass through unchanged.
    const struct {
        const char* key;
        int32_t code;
    } kKeys[] = {
        {"ENTER", 0x0D},           {"7", '7'}, {"F4", 0x73}, {"0x41", 0x41}, {"-5", -5}, {"0", '0'},
        {"2147483647", 2147483647}};
    for (const auto& k : kKeys) {
        keys_.clear();
        EXPECT_EQ(Sim(std::string("key K1 ") + k.key).substr(0, 2), "OK") << k.key;
        ASSERT_TRUE(Pump([&] { return keys_.size() == 2; })) << k.key;
        for (const Key& seen : keys_) {
            EXPECT_EQ(seen.status, k.code) << k.key;
            EXPECT_EQ(seen.data, k.code) << k.key;
            EXPECT_EQ(seen.thread, GetCurrentThreadId());
        }
        EXPECT_EQ(keys_[0].eventType, KBD_KET_KEYDOWN) << k.key;
        EXPECT_EQ(keys_[1].eventType, KBD_KET_KEYUP) << k.key;
    }
    // Separate down and up strokes.
    keys_.clear();
    Sim("key K1 CLEAR down");
    ASSERT_TRUE(Pump([&] { return keys_.size() == 1; }));
    Sim("key K1 CLEAR up");
    ASSERT_TRUE(Pump([&] { return keys_.size() == 2; }));
    EXPECT_EQ(keys_[0].eventType, KBD_KET_KEYDOWN);
    EXPECT_EQ(keys_[1].eventType, KBD_KET_KEYUP);
    EXPECT_EQ(keys_[1].data, 0x08);
}

TEST_F(KeyboardEndToEnd, KeyDownOnlyUnlessAskedForUpEvents) {
    Ready(KBD_ET_DOWN);
    Sim("key K1 5");
    ASSERT_TRUE(Pump([&] { return keys_.size() == 1; }));
    PumpFor(200ms);
    ASSERT_EQ(keys_.size(), 1u);
    EXPECT_EQ(keys_[0].eventType, KBD_KET_KEYDOWN);
    EXPECT_EQ(Long("DataCount"), 0);
}

// Texts the simulator refuses: nothing reaches the application.
TEST_F(KeyboardEndToEnd, KeyTextsOutsideTheTableAreRefused) {
    Ready(KBD_ET_DOWN_UP);
    for (const char* bad : {"key K1 F9", "key K1 0x1FFFFFFFF", "key K1 99999999999", "key K1 ''",
                            "key K1 7 sideways"})
        EXPECT_EQ(Sim(bad).substr(0, 3), "ERR") << bad;
    PumpFor(200ms);
    EXPECT_TRUE(keys_.empty());
}

TEST_F(KeyboardEndToEnd, AutoDisableReachesJavaButReadsZero) {
    Ready(KBD_ET_DOWN);
    ASSERT_EQ(control_.Put("AutoDisable", DispArg::Bool(true)), S_OK);
    EXPECT_EQ(Long("ResultCode"), 0);
    bool autoDisable = true;
    ASSERT_EQ(control_.Get("AutoDisable", &autoDisable), S_OK);
    EXPECT_FALSE(autoDisable);
    Sim("key K1 1");
    ASSERT_TRUE(Pump([&] { return keys_.size() == 1; }));
    bool enabled = true;
    ASSERT_EQ(control_.Get("DeviceEnabled", &enabled), S_OK);
    EXPECT_FALSE(enabled);  // the data disabled the device
}

// Errors and status updates travel through the keyboard's callback list to the application.
TEST_F(KeyboardEndToEnd, ErrorsAndStatusUpdatesReachTheApplication) {
    Ready(KBD_ET_DOWN);
    // A refused EventTypes: ResultCode 106 and one ErrorEvent on this thread, at once.
    ASSERT_EQ(control_.Put("EventTypes", 7), S_OK);
    EXPECT_EQ(Long("ResultCode"), 106);
    ASSERT_EQ(EventsOf(kErrorEvent).size(), 1u);
    EXPECT_EQ(EventsOf(kErrorEvent)[0].value, 106);
    EXPECT_EQ(Long("EventTypes"), KBD_ET_DOWN);

    EXPECT_EQ(Sim("status K1 2001").substr(0, 2), "OK");
    ASSERT_TRUE(Pump([&] { return !EventsOf(kStatusUpdateEvent).empty(); }));
    EXPECT_EQ(EventsOf(kStatusUpdateEvent)[0].value, 2001);
    EXPECT_EQ(EventsOf(kStatusUpdateEvent)[0].thread, GetCurrentThreadId());

    EXPECT_EQ(Sim("error K1 111").substr(0, 2), "OK");
    ASSERT_TRUE(Pump([&] { return EventsOf(kErrorEvent).size() == 2; }));
    EXPECT_EQ(EventsOf(kErrorEvent)[1].value, 111);
    EXPECT_EQ(EventsOf(kErrorEvent)[1].thread, GetCurrentThreadId());
}

// A keyboard has no output: OutputID and ClearOutput are answered by the control, 0 and 106,
// with ResultCode 106 until the next call reaches the service object.
TEST_F(KeyboardEndToEnd, OutputMembersAnswer106) {
    EXPECT_EQ(Long("OutputID"), 0);
    EXPECT_EQ(Call0("ClearOutput"), 101);
    EXPECT_EQ(Long("ResultCode"), 0);
    Ready(KBD_ET_DOWN);
    EXPECT_EQ(Long("OutputID"), 0);
    EXPECT_EQ(Long("ResultCode"), 106);
    EXPECT_EQ(Long("EventTypes"), KBD_ET_DOWN);
    EXPECT_EQ(Long("ResultCode"), 0);
    EXPECT_EQ(Call0("ClearOutput"), 106);
    EXPECT_EQ(Long("ResultCode"), 106);
    EXPECT_EQ(Call0("ClearInput"), 0);
    EXPECT_EQ(Long("ResultCode"), 0);
}

// DirectIO texts of every size and alphabet reach the terminal through the translation and are
// answered; an unknown command is 111. The control stays usable throughout.
TEST_F(KeyboardEndToEnd, DirectIOTextsOfAnySize) {
    Ready(KBD_ET_DOWN);
    const std::string huge(100000, 'x');
    const struct {
        int32_t command;
        std::string text;
        int32_t result;
    } kCases[] = {
        {1, "", 0},
        {1, "10,10,", 0},
        {1, "10,10," + huge, 0},
        {1,
         "10,10,Gr\xFC\xDF"
         "e \xA4 caf\xE9",
         0},
        {13, huge, 111},  // not a session key: the terminal refuses it
        {13, "", 111},
        {30,
         "\xE9"
         "t\xE9",
         0},
        {9999, huge, 111},
        {-1, "", 111},
    };
    for (const auto& c : kCases) {
        int32_t data = 0;
        BSTR text = BstrFromAnsi(c.text);
        int32_t rc = -1;
        ASSERT_EQ(control_.Call("DirectIO", &rc, c.command, &data, &text), S_OK);
        EXPECT_EQ(rc, c.result) << c.command << " text of " << c.text.size();
        SysFreeString(text);
        EXPECT_EQ(Long("State"), 2);  // OPOS_S_IDLE: still open and usable
    }
}

TEST_F(KeyboardEndToEnd, ServiceObjectIdentityAndTrace) {
    IID events{};
    ASSERT_EQ(control_.EventInterface(&events), S_OK);
    EXPECT_TRUE(events == host::opos::kKeyboardControlEvents);
    OpenClaimEnable("K1");
    std::string description;
    ASSERT_EQ(control_.Get("ServiceObjectDescription", &description), S_OK);
    EXPECT_EQ(description.find("JPOS"), std::string::npos) << description;
    EXPECT_EQ(Long("ServiceObjectVersion") / 1000000, 1);
    EXPECT_EQ(Call0("Close"), 0);

    const auto trace = kInstallation->LogFolder() / "Kbdso.log";
    struct stat st {};
    ASSERT_EQ(::stat(trace.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().find("Begin OpenService"), std::string::npos);
    EXPECT_NE(text.str().find("Begin claiming"), std::string::npos);
}

}  // namespace
}  // namespace orv::co::test
