// End to end: the MSR control, the real MSR service object, the JVM and the simulated terminal,
// configured in a private registry as an installation would be. A swipe travels from the
// terminal's event thread to the application's handler on the application's thread.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include "host/apartment.h"
#include "host/control.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "platform/com_register.h"
#include "platform/win32.h"
#include "sim_terminal.h"

namespace orv::co::test {
namespace {

namespace fs = std::filesystem;
namespace opos = host::opos;
using namespace std::chrono_literals;

constexpr const char* kMsrKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR\\";
constexpr const char* kCard =
    "swipe M1 \"1=%B4111111111111111^PUBLIC/JOHN Q.MR^2812101123400000?\" "
    "2=;4111111111111111=28121011234?";

int Regsvr(const std::string& library) {
    const int status = std::system((std::string(ORV_REGSVR) + " /s " + library).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Write(const std::string& key, const char* name, const std::string& value) {
    ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, key, name, value), ERROR_SUCCESS) << key;
}

// A private installation: registry file, trace folder, claim locks, class path, and device keys
// for the registry fallback (ALIAS names the Java device M1, NODEV names none).
class EndToEndEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("orv-msr-e2e-" + std::to_string(::getpid()));
        fs::create_directories(folder_ / "log");
        fs::create_directories(folder_ / "locks");
        ::setenv("ORV_REGISTRY", (folder_ / "registry.reg").c_str(), 1);
        ::setenv("ORV_SIM_LOCK_DIR", (folder_ / "locks").c_str(), 1);
        ::setenv("CLASSPATH", ORV_JAR, 1);
        ASSERT_EQ(Regsvr(ORV_MSR_CONTROL), 0);
        ASSERT_EQ(Regsvr(ORV_MSR_BRIDGE), 0);
        const std::string msr = kMsrKey;
        for (const char* device : {"M1", "ALIAS", "NODEV"})
            Write(msr + device, nullptr, "ORVMsr.so");
        Write(msr + "ALIAS", "Devicename", "M1");
        const char* info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
        Write(info, "Logpath", (folder_ / "log").string() + "/");
        Write(info, "Classpath", ORV_LIB_DIR);
    }
    void TearDown() override { fs::remove_all(folder_); }

private:
    fs::path folder_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new EndToEndEnvironment);

class StripeEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_);
        ASSERT_EQ(msr_.Create("OPOS.MSR"), S_OK);
        ASSERT_EQ(msr_.OnEvent(opos::DataEvent,
                               [this](const EventArgs& a) {
                                   data_.push_back(a.Long(0));
                                   threads_.push_back(GetCurrentThreadId());
                                   if (onData_) onData_(a);
                               }),
                  S_OK);
    }
    int32_t Open(const char* device) {
        int32_t rc = -1;
        EXPECT_EQ(msr_.Call("Open", &rc, device), S_OK);
        return rc;
    }
    void OpenClaimEnable() {
        ASSERT_EQ(Open("M1"), 0);
        int32_t rc = -1;
        ASSERT_EQ(msr_.Call("ClaimDevice", &rc, 1000), S_OK);
        ASSERT_EQ(rc, 0);
        for (const char* p : {"DeviceEnabled", "DecodeData", "ParseDecodeData", "DataEventEnabled"})
            ASSERT_EQ(msr_.Put(p, DispArg::Bool(true)), S_OK) << p;
    }
    std::string Text(const char* property) {
        std::string value = "(unread)";
        EXPECT_EQ(msr_.Get(property, &value), S_OK) << property;
        return value;
    }
    int32_t Long(const char* property) {
        int32_t value = -1;
        EXPECT_EQ(msr_.Get(property, &value), S_OK) << property;
        return value;
    }
    bool Pump(const std::function<bool()>& done) { return host::PumpUntil(done, 10s); }

    host::ComApartment com_;
    host::Control msr_;
    std::vector<int32_t> data_;
    std::vector<DWORD> threads_;
    std::function<void(const EventArgs&)> onData_;
};

TEST_F(StripeEndToEnd, SwipeFiresDataEventOnTheApplicationThreadWithTheCardReadable) {
    EXPECT_EQ(Long("ControlObjectVersion"), 100900) << "closed";
    OpenClaimEnable();
    EXPECT_EQ(Long("ControlObjectVersion"), 100900) << "open";
    std::string inHandler;
    onData_ = [&](const EventArgs&) { inHandler = Text("Track1Data"); };
    ASSERT_EQ(SimTerminal::Command(kCard), "OK");
    ASSERT_TRUE(Pump([&] { return !data_.empty(); }));
    EXPECT_EQ(threads_, std::vector<DWORD>{GetCurrentThreadId()});
    EXPECT_EQ(data_.front() & 0xFFFF, 51 | 28 << 8) << "track 1 and 2 lengths";
    EXPECT_EQ(inHandler, "B4111111111111111^PUBLIC/JOHN Q.MR^2812101123400000");
    EXPECT_EQ(Text("Track2Data"), "4111111111111111=28121011234");
    EXPECT_EQ(Text("Track3Data"), "");
    EXPECT_EQ(Text("AccountNumber"), "4111111111111111");
    EXPECT_EQ(Text("Surname"), "PUBLIC");
    EXPECT_EQ(Text("FirstName"), "JOHN");
    EXPECT_EQ(Text("MiddleInitial"), "Q");
    EXPECT_EQ(Text("Title"), "MR");
    EXPECT_EQ(Text("ExpirationDate"), "2812");
    EXPECT_EQ(Text("ServiceCode"), "101");
    ASSERT_EQ(msr_.Put("BinaryConversion", 1), S_OK);
    EXPECT_EQ(Text("Track2Data").substr(0, 8), "34313131") << "nibble form of \"4111\"";
    int32_t rc = -1;
    ASSERT_EQ(msr_.Call("ReleaseDevice", &rc), S_OK);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Long("Claimed"), 0);
    ASSERT_EQ(msr_.Call("Close", &rc), S_OK);
    EXPECT_EQ(Text("Track1Data"), "[Error]") << "closed";
}

TEST_F(StripeEndToEnd, BadTrackFiresErrorEventWithTrackCodesAndTheGoodTrack) {
    OpenClaimEnable();
    ASSERT_EQ(msr_.Put("ErrorReportingType", 1), S_OK);  // per track
    struct {
        int32_t code = -1, extended = -1, locus = -1;
        std::string track1, track2;
        DWORD thread = 0;
    } seen;
    ASSERT_EQ(msr_.OnEvent(opos::ErrorEvent,
                           [&](const EventArgs& a) {
                               seen = {a.Long(0), a.Long(1), a.Long(2), Text("Track1Data"),
                                       Text("Track2Data"), GetCurrentThreadId()};
                               *a.LongRef(3) = opos::OPOS_ER_CLEAR;
                           }),
              S_OK);
    ASSERT_EQ(SimTerminal::Command("swipe M1 1=%B4111111111111111^PUBLIC/JOHN^2812? "
                                   "2=;4111111111111111=2812? fail2=lrc"),
              "OK");
    ASSERT_TRUE(Pump([&] { return seen.code != -1; }));
    EXPECT_EQ(seen.code, 114);
    EXPECT_EQ(seen.extended, 204 << 8) << "EMSR LRC on track 2";
    EXPECT_EQ(seen.thread, GetCurrentThreadId());
    EXPECT_EQ(seen.track1, "B4111111111111111^PUBLIC/JOHN^2812");
    EXPECT_EQ(seen.track2, "");
    EXPECT_TRUE(data_.empty());
}

// The control never holds events itself: FreezeEvents only reaches the service object, so an
// event a Java thread hands to the service object's native comes through at once.
TEST_F(StripeEndToEnd, FreezeEventsIsOnlyForwarded) {
    OpenClaimEnable();
    ASSERT_EQ(msr_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    bool frozen = false;
    ASSERT_EQ(msr_.Get("FreezeEvents", &frozen), S_OK);
    EXPECT_TRUE(frozen) << "the service object took it";
    JavaEventRaiser raiser("M1");
    ASSERT_TRUE(raiser.Ready());
    std::atomic<bool> returned{false};
    std::thread java([&] {
        raiser.Data(7);
        returned = true;
    });
    EXPECT_TRUE(Pump([&] { return !data_.empty() && returned; }));
    java.join();
    EXPECT_EQ(data_, std::vector<int32_t>{7});
}

struct OpenCase {
    const char* device;
    int32_t result;
    int32_t openResult;
};

TEST_F(StripeEndToEnd, OpenThroughTheRegistryFallback) {
    const OpenCase cases[] = {
        {"GHOST", 109, 403},  // no device key: the control's own lookup
        {"NODEV", 104, 306},  // Java refuses the name and the key names no other
        {"ALIAS", 0, 0},      // Java refuses the name, the key's "Devicename" is M1
    };
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.device);
        EXPECT_EQ(Open(c.device), c.result);
        if (c.result != 0) {
            EXPECT_EQ(Long("OpenResult"), c.openResult);
        }
    }
    int32_t rc = -1;
    ASSERT_EQ(msr_.Call("Claim", &rc, 1000), S_OK);
    EXPECT_EQ(rc, 0) << "ALIAS opened the Java device M1";
    ASSERT_EQ(msr_.Call("Release", &rc), S_OK);
    EXPECT_EQ(rc, 0);
    ASSERT_EQ(msr_.Call("Close", &rc), S_OK);
}

}  // namespace
}  // namespace orv::co::test
