// End to end: the PIN pad control, the real PIN pad service object, the JVM and the simulated
// terminal, configured in a private registry as an installation would be. Events come from
// Java threads: the terminal's own event thread, or test threads attached to the JVM that raise
// events the way that thread does.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
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
using Clock = std::chrono::steady_clock;

int Regsvr(const std::string& library) {
    const int status = std::system((std::string(ORV_REGSVR) + " /s " + library).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A private installation: registry file, trace folder, claim locks, class path.
class EndToEndEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("orv-pinpad-e2e-" + std::to_string(::getpid()));
        fs::create_directories(folder_ / "log");
        fs::create_directories(folder_ / "locks");
        ::setenv("ORV_REGISTRY", (folder_ / "registry.reg").c_str(), 1);
        ::setenv("ORV_SIM_LOCK_DIR", (folder_ / "locks").c_str(), 1);
        ::setenv("CLASSPATH", ORV_JAR, 1);
        ASSERT_EQ(Regsvr(ORV_PINPAD_CONTROL), 0);
        ASSERT_EQ(Regsvr(ORV_PINPAD_BRIDGE), 0);
        const char* opos = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1";
        const char* info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, opos, nullptr, "ORVPin.so"), ERROR_SUCCESS);
        ASSERT_EQ(
            RegWriteString(HKEY_LOCAL_MACHINE, info, "Logpath", (folder_ / "log").string() + "/"),
            ERROR_SUCCESS);
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, info, "Classpath", ORV_LIB_DIR),
                  ERROR_SUCCESS);
    }
    void TearDown() override { fs::remove_all(folder_); }

private:
    fs::path folder_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new EndToEndEnvironment);

class PinpadEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_);
        ASSERT_EQ(pinpad_.Create("OPOS.PINPad"), S_OK);
        ASSERT_EQ(pinpad_.OnEvent(opos::DataEvent,
                                  [this](const EventArgs& a) {
                                      data_.push_back(a.Long(0));
                                      threads_.push_back(GetCurrentThreadId());
                                      if (onData_) onData_(a);
                                  }),
                  S_OK);
    }
    int32_t Call0(const char* method) {
        int32_t rc = -1;
        EXPECT_EQ(pinpad_.Call(method, &rc), S_OK) << method;
        return rc;
    }
    void OpenAndClaim() {
        int32_t rc = -1;
        ASSERT_EQ(pinpad_.Call("Open", &rc, "P1"), S_OK);
        ASSERT_EQ(rc, 0);
        ASSERT_EQ(pinpad_.Call("Claim", &rc, 1000), S_OK);
        ASSERT_EQ(rc, 0);
        ASSERT_EQ(pinpad_.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
        ASSERT_EQ(pinpad_.Put("DataEventEnabled", DispArg::Bool(true)), S_OK);
    }
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
        return host::PumpUntil(done, limit);
    }
    void PumpFor(std::chrono::milliseconds time) {
        host::PumpUntil([] { return false; }, time);
    }

    // A Java thread raising one event; Done() once the service object's native has returned.
    class JavaThread {
    public:
        explicit JavaThread(std::function<void()> body)
            : thread_([this, body = std::move(body)] {
                  body();
                  done_.store(true);
              }) {}
        ~JavaThread() { thread_.join(); }
        bool Done() const { return done_.load(); }

    private:
        std::atomic<bool> done_{false};
        std::thread thread_;
    };

    host::ComApartment com_;
    host::Control pinpad_;
    std::vector<int32_t> data_;
    std::vector<DWORD> threads_;
    std::function<void(const EventArgs&)> onData_;
};

TEST_F(PinpadEndToEnd, UnknownDeviceNameIsAConfigurationError) {
    int32_t rc = -1, openResult = -1;
    ASSERT_EQ(pinpad_.Call("Open", &rc, "NOPE"), S_OK);
    ASSERT_EQ(pinpad_.Get("OpenResult", &openResult), S_OK);
    EXPECT_EQ(rc, 109);
    EXPECT_EQ(openResult, 403);
}

TEST_F(PinpadEndToEnd, EftTransactionDeliversTheEncryptedPinOnTheApplicationThread) {
    OpenAndClaim();
    int32_t version = 0;
    ASSERT_EQ(pinpad_.Get("ServiceObjectVersion", &version), S_OK);
    EXPECT_EQ(version / 1000000, 1);
    CY amount;
    amount.int64 = 123450000LL * 100;  // 1,234,500.0000: above 2^31 in CURRENCY units
    ASSERT_EQ(pinpad_.Put("Amount", amount), S_OK);
    CY back{};
    ASSERT_EQ(pinpad_.Get("Amount", &back), S_OK);
    EXPECT_EQ(back.int64, amount.int64);
    ASSERT_EQ(pinpad_.Put("AccountNumber", "4111111111111111"), S_OK);
    ASSERT_EQ(pinpad_.Put("TransactionType", "Credit"), S_OK);
    std::string type;
    ASSERT_EQ(pinpad_.Get("TransactionType", &type), S_OK);
    EXPECT_EQ(type, "Credit") << "a string property under a numeric index, through Java";
    ASSERT_EQ(pinpad_.Put("MinimumPINLength", 4), S_OK);

    std::string encryptedPin, security;
    onData_ = [&](const EventArgs&) {
        EXPECT_EQ(pinpad_.Get("EncryptedPIN", &encryptedPin), S_OK);
        EXPECT_EQ(pinpad_.Get("AdditionalSecurityInformation", &security), S_OK);
    };
    int32_t rc = -1;
    ASSERT_EQ(pinpad_.Call("BeginEFTTransaction", &rc, "DUKPT", 1), S_OK);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(pinpad_.Call("EnablePINEntry", &rc), S_OK);
    ASSERT_EQ(rc, 0);
    const std::string answer = SimTerminal::Command("pin P1 1234");
    ASSERT_EQ(answer.rfind("OK", 0), 0u) << answer;
    ASSERT_TRUE(Pump([&] { return !data_.empty(); }));
    EXPECT_EQ(data_[0], 1) << "PPAD_SUCCESS";
    EXPECT_EQ(threads_[0], GetCurrentThreadId());
    EXPECT_EQ(encryptedPin.size(), 16u) << encryptedPin;
    EXPECT_FALSE(security.empty());
    ASSERT_EQ(pinpad_.Call("EndEFTTransaction", &rc, 1), S_OK);  // PPAD_EFT_NORMAL
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Call0("Release"), 0);
    EXPECT_EQ(Call0("Close"), 0);
}

TEST_F(PinpadEndToEnd, JavaThreadEventReachesTheApplicationOnlyWhileClaimed) {
    OpenAndClaim();
    JavaEventRaiser raiser("P1");
    ASSERT_TRUE(raiser.Ready());
    ASSERT_EQ(Call0("Release"), 0);
    {
        JavaThread t([&] { raiser.Data(7); });
        ASSERT_TRUE(Pump([&] { return t.Done(); }));
    }
    EXPECT_TRUE(data_.empty()) << "released: dropped";
    int32_t rc = -1;
    ASSERT_EQ(pinpad_.Call("Claim", &rc, 1000), S_OK);
    ASSERT_EQ(rc, 0);
    {
        JavaThread t([&] { raiser.Data(8); });
        ASSERT_TRUE(Pump([&] { return t.Done(); }));
    }
    EXPECT_EQ(data_, std::vector<int32_t>{8});
    EXPECT_EQ(threads_[0], GetCurrentThreadId());
}

TEST_F(PinpadEndToEnd, FrozenJavaEventIsHeldAndDeliveredOnceAfterTheThaw) {
    OpenAndClaim();
    JavaEventRaiser raiser("P1");
    ASSERT_TRUE(raiser.Ready());
    ASSERT_EQ(pinpad_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    JavaThread t([&] { raiser.Data(3); });
    PumpFor(300ms);
    EXPECT_TRUE(data_.empty());
    EXPECT_FALSE(t.Done());
    const auto thawed = Clock::now();
    ASSERT_EQ(pinpad_.Put("FreezeEvents", DispArg::Bool(false)), S_OK);
    ASSERT_TRUE(Pump([&] { return !data_.empty(); }));
    EXPECT_LE(Clock::now() - thawed, 250ms);
    ASSERT_TRUE(Pump([&] { return t.Done(); }));
    PumpFor(150ms);
    EXPECT_EQ(data_, std::vector<int32_t>{3});
}

TEST_F(PinpadEndToEnd, TwoJavaThreadsGiveTwoEventsNeverInterleaved) {
    OpenAndClaim();
    JavaEventRaiser raiser("P1");
    ASSERT_TRUE(raiser.Ready());
    bool inHandler = false, overlapped = false;
    onData_ = [&](const EventArgs&) {
        overlapped = overlapped || inHandler;
        inHandler = true;
        int32_t state = 0;
        EXPECT_EQ(pinpad_.Get("State", &state), S_OK);  // a call into Java from the handler
        PumpFor(20ms);
        inHandler = false;
    };
    {
        JavaThread a([&] { raiser.Data(1); });
        JavaThread b([&] { raiser.Data(2); });
        ASSERT_TRUE(Pump([&] { return a.Done() && b.Done(); }));
    }
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(data_.size(), 2u);
    EXPECT_EQ(data_[0] + data_[1], 3);
}

TEST_F(PinpadEndToEnd, ReleaseInsideADataEventHandlerRaisesThenSucceedsOutside) {
    OpenAndClaim();
    JavaEventRaiser raiser("P1");
    ASSERT_TRUE(raiser.Ready());
    HRESULT inside = S_OK;
    std::string description;
    onData_ = [&](const EventArgs&) {
        int32_t rc = -1;
        inside = pinpad_.Call("Release", &rc);
        description = pinpad_.LastError();
    };
    {
        JavaThread t([&] { raiser.Data(1); });
        ASSERT_TRUE(Pump([&] { return t.Done(); }));
    }
    EXPECT_EQ(inside, DISP_E_EXCEPTION);
    EXPECT_EQ(description, "Released while event in progress");
    bool claimed = false;
    ASSERT_EQ(pinpad_.Get("Claimed", &claimed), S_OK);
    EXPECT_TRUE(claimed) << "the service object was not released";
    onData_ = nullptr;
    EXPECT_EQ(Call0("Release"), 0);
    ASSERT_EQ(pinpad_.Get("Claimed", &claimed), S_OK);
    EXPECT_FALSE(claimed);
    EXPECT_EQ(Call0("Close"), 0);
}

TEST_F(PinpadEndToEnd, ReleaseLetsABlockedJavaThreadGo) {
    OpenAndClaim();
    JavaEventRaiser raiser("P1");
    ASSERT_TRUE(raiser.Ready());
    ASSERT_EQ(pinpad_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    JavaThread t([&] { raiser.Data(1); });
    PumpFor(200ms);
    ASSERT_FALSE(t.Done());
    EXPECT_EQ(Call0("Release"), 0);
    ASSERT_TRUE(Pump([&] { return t.Done(); }, 1s));
    PumpFor(200ms);
    EXPECT_TRUE(data_.empty()) << "its event is lost";
    EXPECT_EQ(Call0("Close"), 0);
}

TEST_F(PinpadEndToEnd, TerminalEventsCarryTheirFields) {
    std::vector<std::tuple<int32_t, int32_t, std::string>> directIO;
    std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t>> errors;
    std::vector<int32_t> status;
    ASSERT_EQ(pinpad_.OnEvent(opos::DirectIOEvent,
                              [&](const EventArgs& a) {
                                  BSTR* text = a.BstrRef(2);
                                  directIO.emplace_back(a.Long(0), *a.LongRef(1),
                                                        text ? AnsiFromBstr(*text) : "<none>");
                              }),
              S_OK);
    ASSERT_EQ(pinpad_.OnEvent(opos::ErrorEvent,
                              [&](const EventArgs& a) {
                                  errors.emplace_back(a.Long(0), a.Long(1), a.Long(2),
                                                      *a.LongRef(3));
                                  *a.LongRef(3) = opos::OPOS_ER_CLEAR;
                              }),
              S_OK);
    ASSERT_EQ(pinpad_.OnEvent(opos::StatusUpdateEvent,
                              [&](const EventArgs& a) { status.push_back(a.Long(0)); }),
              S_OK);
    OpenAndClaim();
    for (const char* command : {"dio P1 event 3 42 hello", "status P1 2001", "error P1 111"}) {
        const std::string answer = SimTerminal::Command(command);
        ASSERT_EQ(answer.rfind("OK", 0), 0u) << command << ": " << answer;
    }
    ASSERT_TRUE(Pump([&] { return !directIO.empty() && !status.empty() && !errors.empty(); }));
    EXPECT_EQ(directIO[0], std::make_tuple(3, 42, std::string("hello")));
    EXPECT_EQ(status[0], 2001);
    EXPECT_EQ(std::get<0>(errors[0]), 111);
    EXPECT_EQ(Call0("Close"), 0);
}

}  // namespace
}  // namespace orv::co::test
