// End to end: the signature capture control, the real service object, the JVM and the simulated
// terminal. A signature drawn on the terminal reaches the application as a DataEvent on its own
// thread, and the points read back in every BinaryConversion; error events from other threads
// go one way (the sender never waits long) and still reach the application with their own
// fields; container freezes nest.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "host/apartment.h"
#include "host/control.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "platform/com_register.h"
#include "platform/opos.h"
#include "platform/win32.h"
#include "point_array.h"
#include "sim_terminal.h"

namespace orv::co::test {
namespace {

namespace fs = std::filesystem;
namespace opos = host::opos;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sigcap::SigPoint;

constexpr DISPID kControlSOError = 47;

int Regsvr(const std::string& library) {
    const int status = std::system((std::string(ORV_REGSVR) + " /s " + library).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A private installation: registry file, trace folder, claim locks, class path.
class EndToEndEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("orv-sigcap-e2e-" + std::to_string(::getpid()));
        fs::create_directories(folder_ / "log");
        fs::create_directories(folder_ / "locks");
        ::setenv("ORV_REGISTRY", (folder_ / "registry.reg").c_str(), 1);
        ::setenv("ORV_SIM_LOCK_DIR", (folder_ / "locks").c_str(), 1);
        ::setenv("CLASSPATH", ORV_JAR, 1);
        ASSERT_EQ(Regsvr(ORV_SIGCAP_CONTROL), 0);
        ASSERT_EQ(Regsvr(ORV_SIGCAP_BRIDGE), 0);
        const char* opos = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\SignatureCapture\\S1";
        const char* info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, opos, nullptr, "ORVSig.so"), ERROR_SUCCESS);
        ASSERT_EQ(
            RegWriteString(HKEY_LOCAL_MACHINE, info, "Logpath", (folder_ / "log").string() + "/"),
            ERROR_SUCCESS);
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, info, "Classpath", ORV_LIB_DIR),
                  ERROR_SUCCESS);
    }
    void TearDown() override { fs::remove_all(folder_); }
    static fs::path Folder() { return folder_; }

private:
    static inline fs::path folder_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new EndToEndEnvironment);

struct ErrorSeen {
    int32_t code, extended, locus;
    DWORD thread;
};

class SigcapEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com_);
        ASSERT_EQ(sig_.Create("OPOS.SigCap"), S_OK);
        ASSERT_EQ(sig_.OnEvent(opos::DataEvent,
                               [this](const EventArgs& a) {
                                   data_.push_back(a.Long(0));
                                   if (onData_) onData_(a);
                               }),
                  S_OK);
        ASSERT_EQ(sig_.OnEvent(opos::ErrorEvent,
                               [this](const EventArgs& a) {
                                   errors_.push_back({a.Long(0), a.Long(1), a.Long(2),
                                                      GetCurrentThreadId()});
                                   if (int32_t* response = a.LongRef(3)) *response = 12;
                               }),
                  S_OK);
    }
    int32_t Call0(const char* method) {
        int32_t rc = -1;
        EXPECT_EQ(sig_.Call(method, &rc), S_OK) << method;
        return rc;
    }
    void OpenClaimEnable() {
        int32_t rc = -1;
        ASSERT_EQ(sig_.Call("Open", &rc, "S1"), S_OK);
        ASSERT_EQ(rc, 0);
        ASSERT_EQ(sig_.Call("Claim", &rc, 1000), S_OK);
        ASSERT_EQ(rc, 0);
        ASSERT_EQ(sig_.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
        ASSERT_EQ(sig_.Put("DataEventEnabled", DispArg::Bool(true)), S_OK);
    }
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
        return host::PumpUntil(done, limit);
    }
    void PumpFor(std::chrono::milliseconds time) {
        host::PumpUntil([] { return false; }, time);
    }
    // SOError as the service object makes it from a Java thread; returns when the control lets
    // the caller go. The response variable is the caller's and dies with the call.
    std::thread ForeignError(int32_t code, int32_t extended, int32_t locus,
                             std::atomic<int>* done, int32_t* responseOut = nullptr) {
        IDispatch* control = sig_.Dispatch();
        return std::thread([=] {
            int32_t response = 11;
            DispatchDriver(control, false)
                .Call(kControlSOError, nullptr, code, extended, locus, &response);
            if (responseOut) *responseOut = response;
            done->fetch_add(1);
        });
    }

    host::ComApartment com_;
    host::Control sig_;
    std::vector<int32_t> data_;
    std::vector<ErrorSeen> errors_;
    std::function<void(const EventArgs&)> onData_;
};

TEST_F(SigcapEndToEnd, ClosedAnswersAndClearOutput) {
    EXPECT_EQ(Call0("ClearOutput"), OPOS_E_FAILURE) << "closed";
    int32_t rc = -1, total = -1;
    ASSERT_EQ(sig_.Call("BeginCapture", &rc, "Form1"), S_OK);
    EXPECT_EQ(rc, OPOS_E_CLOSED);
    std::string points;
    ASSERT_EQ(sig_.Get("PointArray", &points), S_OK);
    EXPECT_EQ(points, "[Error]");
    ASSERT_EQ(sig_.Get("TotalPoints", &total), S_OK);
    EXPECT_EQ(total, 0);
    OpenClaimEnable();
    EXPECT_EQ(Call0("ClearOutput"), OPOS_E_FAILURE) << "open";
    EXPECT_EQ(Call0("Close"), 0);
}

TEST_F(SigcapEndToEnd, SignatureArrivesOnTheApplicationThreadAndDecodesInEveryConversion) {
    OpenClaimEnable();
    int32_t maxX = 0;
    ASSERT_EQ(sig_.Get("MaximumX", &maxX), S_OK);
    EXPECT_EQ(maxX, 320);
    // 129 and 141 are bytes the ANSI code page leaves undefined; 300 crosses a byte.
    const std::vector<SigPoint> drawn = {{10, 20}, {300, 5}, sigcap::kPenUp, {129, 141},
                                         {0, 240}};
    int32_t total = -1;
    std::vector<std::vector<SigPoint>> decoded;
    std::string raw;
    DWORD handlerThread = 0;
    onData_ = [&](const EventArgs&) {
        handlerThread = GetCurrentThreadId();
        EXPECT_EQ(sig_.Get("TotalPoints", &total), S_OK);
        for (int32_t conversion : {0, 1, 2}) {
            EXPECT_EQ(sig_.Put("BinaryConversion", conversion), S_OK);
            BSTR text = nullptr;
            EXPECT_EQ(sig_.Get("PointArray", &text), S_OK);
            auto points = sigcap::DecodePointArray(text, conversion);
            SysFreeString(text);
            decoded.push_back(points.value_or(std::vector<SigPoint>{}));
        }
        EXPECT_EQ(sig_.Get("RawData", &raw), S_OK);
    };
    int32_t rc = -1;
    ASSERT_EQ(sig_.Call("BeginCapture", &rc, "Form1"), S_OK);
    ASSERT_EQ(rc, 0);
    std::string answer = SimTerminal::Command("sign S1 10,20 300,5 - 129,141 0,240");
    ASSERT_EQ(answer.rfind("OK", 0), 0u) << answer;
    answer = SimTerminal::Command("sign S1 done");
    ASSERT_EQ(answer.rfind("OK", 0), 0u) << answer;
    ASSERT_TRUE(Pump([&] { return !data_.empty(); }));
    EXPECT_EQ(data_[0], 0) << "the finished signature";
    EXPECT_EQ(handlerThread, GetCurrentThreadId());
    EXPECT_EQ(total, static_cast<int32_t>(drawn.size()));
    ASSERT_EQ(decoded.size(), 3u);
    for (size_t c = 0; c < decoded.size(); ++c) EXPECT_EQ(decoded[c], drawn) << "conversion " << c;
    EXPECT_EQ(raw.size(), 4 * drawn.size()) << "one character per byte, no conversion";
    ASSERT_EQ(sig_.Call("EndCapture", &rc), S_OK);
    EXPECT_NE(rc, 0) << "no capture in progress any more";
    EXPECT_EQ(Call0("Close"), 0);
}

// The application's thread is busy: the sender is back after the wait, the event fires when
// the application pumps again, with the values it was given.
TEST_F(SigcapEndToEnd, ForeignErrorReturnsWhileTheApplicationIsBusyAndFiresLater) {
    OpenClaimEnable();
    std::atomic<int> done{0};
    const auto start = Clock::now();
    std::thread t = ForeignError(114, 5, OPOS_EL_INPUT, &done);
    t.join();  // no pumping here: only the wait limit lets it go
    EXPECT_LT(Clock::now() - start, 2s);
    EXPECT_TRUE(errors_.empty());
    ASSERT_TRUE(Pump([&] { return !errors_.empty(); }));
    EXPECT_EQ(errors_[0].code, 114);
    EXPECT_EQ(errors_[0].extended, 5);
    EXPECT_EQ(errors_[0].locus, OPOS_EL_INPUT);
    EXPECT_EQ(errors_[0].thread, GetCurrentThreadId());
    PumpFor(100ms);
    EXPECT_EQ(errors_.size(), 1u) << "posted once";
}

TEST_F(SigcapEndToEnd, TwoErrorsKeepTheirOwnFieldsAndAHandledOneAnswersTheSender) {
    OpenClaimEnable();
    std::atomic<int> done{0};
    std::thread a = ForeignError(111, 1, OPOS_EL_OUTPUT, &done);
    std::this_thread::sleep_for(10ms);  // the second error follows the first by 10 ms
    std::thread b = ForeignError(114, 2, OPOS_EL_INPUT, &done);
    a.join();
    b.join();
    ASSERT_TRUE(Pump([&] { return errors_.size() == 2; }));
    EXPECT_EQ(errors_[0].code, 111);
    EXPECT_EQ(errors_[0].extended, 1);
    EXPECT_EQ(errors_[0].locus, OPOS_EL_OUTPUT);
    EXPECT_EQ(errors_[1].code, 114);
    EXPECT_EQ(errors_[1].extended, 2);
    EXPECT_EQ(errors_[1].locus, OPOS_EL_INPUT);

    // Handled while the sender still waits: the application's answer reaches it.
    int32_t response = 0;
    std::thread c = ForeignError(111, 0, OPOS_EL_INPUT, &done, &response);
    ASSERT_TRUE(Pump([&] { return done.load() == 3; }));
    c.join();
    EXPECT_EQ(errors_.size(), 3u);
    EXPECT_EQ(response, OPOS_ER_CLEAR);
}

TEST_F(SigcapEndToEnd, ErrorOfferedWhileFrozenFiresAtTheThawAndNotAfterClose) {
    OpenClaimEnable();
    ASSERT_EQ(sig_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    std::atomic<int> done{0};
    std::thread t = ForeignError(111, 3, OPOS_EL_INPUT, &done);
    ASSERT_TRUE(Pump([&] { return done.load() == 1; }));
    t.join();
    PumpFor(100ms);
    EXPECT_TRUE(errors_.empty()) << "held while frozen";
    ASSERT_EQ(sig_.Put("FreezeEvents", DispArg::Bool(false)), S_OK);
    ASSERT_TRUE(Pump([&] { return !errors_.empty(); }));
    EXPECT_EQ(errors_[0].extended, 3);

    // Kept while frozen, then the control is closed: the error goes with it.
    ASSERT_EQ(sig_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    std::thread u = ForeignError(111, 4, OPOS_EL_INPUT, &done);
    ASSERT_TRUE(Pump([&] { return done.load() == 2; }));
    u.join();
    EXPECT_EQ(Call0("Close"), 0);
    PumpFor(200ms);
    EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(SigcapEndToEnd, ErrorsBeforeClaimOrAfterReleaseAreDroppedAtOnce) {
    int32_t rc = -1;
    ASSERT_EQ(sig_.Call("Open", &rc, "S1"), S_OK);
    std::atomic<int> done{0};
    std::thread t = ForeignError(111, 0, OPOS_EL_INPUT, &done);
    t.join();
    ASSERT_EQ(sig_.Call("Claim", &rc, 1000), S_OK);
    // Posted, then the application releases before its thread gets to the message.
    std::thread u = ForeignError(111, 0, OPOS_EL_INPUT, &done);
    u.join();
    EXPECT_EQ(Call0("Release"), 0);
    ASSERT_EQ(sig_.Call("Claim", &rc, 1000), S_OK);
    PumpFor(200ms);
    EXPECT_TRUE(errors_.empty());
    EXPECT_EQ(Call0("Close"), 0);
}

TEST_F(SigcapEndToEnd, ErrorFromTheTerminalReachesTheApplication) {
    OpenClaimEnable();
    const std::string answer = SimTerminal::Command("error S1 111 7");
    ASSERT_EQ(answer.rfind("OK", 0), 0u) << answer;
    ASSERT_TRUE(Pump([&] { return !errors_.empty(); }));
    EXPECT_EQ(errors_[0].code, 111);
    EXPECT_EQ(errors_[0].extended, 7);
    EXPECT_EQ(errors_[0].thread, GetCurrentThreadId());
}

TEST_F(SigcapEndToEnd, ContainerFreezesNestAndAFreezeBeforeOpenIsReplayed) {
    bool frozen = true;
    ASSERT_EQ(sig_.FreezeEvents(true), S_OK);  // before Open
    OpenClaimEnable();
    ASSERT_EQ(sig_.Get("FreezeEvents", &frozen), S_OK);
    EXPECT_TRUE(frozen) << "replayed at Open";
    ASSERT_EQ(sig_.FreezeEvents(true), S_OK);
    ASSERT_EQ(sig_.FreezeEvents(false), S_OK);
    ASSERT_EQ(sig_.Get("FreezeEvents", &frozen), S_OK);
    EXPECT_TRUE(frozen) << "two freezes, one thaw";
    ASSERT_EQ(sig_.FreezeEvents(false), S_OK);
    ASSERT_EQ(sig_.Get("FreezeEvents", &frozen), S_OK);
    EXPECT_FALSE(frozen);
    ASSERT_EQ(sig_.FreezeEvents(false), S_OK);  // one thaw too many
    ASSERT_EQ(sig_.FreezeEvents(true), S_OK);
    ASSERT_EQ(sig_.Get("FreezeEvents", &frozen), S_OK);
    EXPECT_TRUE(frozen) << "the count did not go below zero";
    // A container freeze does not hold events in the control.
    const std::string answer = SimTerminal::Command("status S1 2001");
    ASSERT_EQ(answer.rfind("OK", 0), 0u) << answer;
    EXPECT_EQ(Call0("Close"), 0);
}

TEST_F(SigcapEndToEnd, TheErrorWindowWritesItsDebugLine) {
    OpenClaimEnable();
    const fs::path file = EndToEndEnvironment::Folder() / "stderr.txt";
    ::setenv("ORV_DEBUG_OUTPUT", "1", 1);
    const int saved = ::dup(2);
    {
        std::ofstream create(file);
    }
    const int fd = ::open(file.c_str(), O_WRONLY);
    ::dup2(fd, 2);
    std::atomic<int> done{0};
    std::thread t = ForeignError(111, 0, OPOS_EL_INPUT, &done);
    const bool fired = Pump([&] { return !errors_.empty(); });
    t.join();
    ::dup2(saved, 2);
    ::close(saved);
    ::close(fd);
    ::unsetenv("ORV_DEBUG_OUTPUT");
    ASSERT_TRUE(fired);
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("****************SigcapControl CFireEvent::OnErrorEvent\n"),
              std::string::npos)
        << text;
}

}  // namespace
}  // namespace orv::co::test
