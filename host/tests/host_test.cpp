// The application host: creating by ProgID, calls by name with typed results, events through
// the control's own event interface, and both ways of pumping the thread's messages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "control_test_env.h"
#include "host/opos_events.h"
#include "platform/com_register.h"
#include "platform/win32.h"

namespace orv::co::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(HostControl, CreateReportsTheActivationResult) {
    host::ComApartment com;
    host::Control c;
    EXPECT_EQ(c.Create("No.Such.Control"), CO_E_CLASSSTRING);
    EXPECT_FALSE(c);
    EXPECT_EQ(c.Create(nullptr), E_INVALIDARG);
    int32_t rc = 0x0BADF00D;
    EXPECT_EQ(c.Call("Open", &rc, "P1"), E_POINTER) << "nothing to call";
    EXPECT_EQ(rc, 0x0BADF00D);
}

// A failed Create says why, as far as the process knows: with a broken registry file every
// ProgID looks unregistered (0x800401F3), so the file's own problem comes first.
TEST(HostControl, CreateSaysWhyItFailed) {
    host::ComApartment com;
    const std::string good = RegistryFile();
    const std::string dir = good + ".why";
    std::filesystem::create_directories(dir);
    const std::string broken = dir + "/broken.reg", absent = dir + "/absent.reg";
    std::ofstream(broken) << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A\n";
    const std::string gone = dir + "/libGone.so";
    const char* clsid = "{5B0C7E11-2D4A-4F3B-8C9D-0E1F2A3B4C5D}";
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, "Orv.Gone\\CLSID", nullptr, clsid), ERROR_SUCCESS);
    ASSERT_EQ(RegWriteString(HKEY_CLASSES_ROOT, std::string("CLSID\\") + clsid + "\\InprocServer32",
                             nullptr, gone),
              ERROR_SUCCESS);
    struct Row {
        const char* progId;
        std::string registry;
        HRESULT result;
        std::string why;
    };
    const Row rows[] = {
        {"No.Such.Control", good, CO_E_CLASSSTRING, "No.Such.Control is not registered in " + good},
        {"Orv.Gone", good, CO_E_DLLNOTFOUND,
         "cannot load in-process server " + gone + ": No such file or directory"},
        {"OPOS.PINPad", broken, CO_E_CLASSSTRING,
         broken + ":3: missing ] at the end of the key line"},
        {"OPOS.PINPad", absent, CO_E_CLASSSTRING, absent + ": the registry file does not exist"},
        {"OPOS.PINPad", good, S_OK, ""},
    };
    host::Control c;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.progId + (" " + row.registry));
        ::setenv("ORV_REGISTRY", row.registry.c_str(), 1);
        EXPECT_EQ(c.Create(row.progId), row.result);
        EXPECT_EQ(c.LastError(), row.why);
    }
    ::setenv("ORV_REGISTRY", good.c_str(), 1);
    c.Reset();
    std::filesystem::remove_all(dir);
}

TEST_F(PinpadWithFake, NamesResolveCaseInsensitivelyAndResultsConvert) {
    DISPID a = 0, b = 0;
    ASSERT_EQ(control_.IdOf("Open", &a), S_OK);
    ASSERT_EQ(control_.IdOf("oPEN", &b), S_OK);
    EXPECT_EQ(a, 71);
    EXPECT_EQ(b, 71);
    EXPECT_EQ(control_.IdOf("NoSuchMember", &a), DISP_E_UNKNOWNNAME);
    int32_t poison = 0x0BADF00D;
    EXPECT_EQ(control_.Call("NoSuchMember", &poison), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(poison, 0x0BADF00D);

    std::string text;
    ASSERT_EQ(control_.Get("ControlObjectVersion", &text), S_OK);
    EXPECT_EQ(text, "1009000") << "a long read as text";
    double real = 0;
    ASSERT_EQ(control_.Get("ControlObjectVersion", &real), S_OK);
    EXPECT_EQ(real, 1009000.0);
    ASSERT_EQ(control_.Get("CheckHealthText", &text), S_OK);
    EXPECT_EQ(text, "[Error]");
    EXPECT_EQ(control_.Get("CheckHealthText", &poison), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(poison, 0x0BADF00D) << "left alone on failure";
    BSTR owned = nullptr;
    ASSERT_EQ(control_.Get("CheckHealthText", &owned), S_OK);
    EXPECT_EQ(AnsiFromBstr(owned), "[Error]");
    SysFreeString(owned);
}

TEST_F(PinpadWithFake, EventsFollowTheControlsOwnInterfaceUntilDisconnected) {
    IID iid{};
    ASSERT_EQ(control_.EventInterface(&iid), S_OK);
    EXPECT_EQ(iid, host::opos::kPinpadControlEvents);
    std::vector<int32_t> status;
    ASSERT_EQ(control_.OnEvent(host::opos::StatusUpdateEvent,
                               [&](const EventArgs& a) { status.push_back(a.Long(0)); }),
              S_OK);
    OpenFake();
    ASSERT_TRUE(So().RaiseStatusUpdate(12));
    EXPECT_EQ(status, std::vector<int32_t>{12});
    ASSERT_EQ(control_.DisconnectEvents(), S_OK);
    ASSERT_TRUE(So().RaiseStatusUpdate(13));
    EXPECT_EQ(status, std::vector<int32_t>{12});
}

TEST_F(PinpadWithFake, DestroyingAConnectedHostControlReleasesTheControl) {
    ASSERT_EQ(control_.OnEvent(host::opos::DataEvent, [](const EventArgs&) {}), S_OK);
    OpenFake();
    EXPECT_EQ(FakeServiceObject::LiveCount(), 1);
    control_ = host::Control();  // the sink's connection must not keep the control alive
    EXPECT_EQ(FakeServiceObject::LiveCount(), 0);
}

TEST(HostControl, ObjectsThatAreNoControlsSayWhatTheyLack) {
    host::ComApartment com;
    FakeServiceObject::ResetAll();
    host::Control so;
    ASSERT_EQ(so.Create(kFakeSoProgId), S_OK);
    IID iid;
    EXPECT_EQ(so.EventInterface(&iid), E_NOINTERFACE);
    EXPECT_EQ(so.OnEvent(1, [](const EventArgs&) {}), E_NOINTERFACE);
    EXPECT_EQ(so.FreezeEvents(true), E_NOINTERFACE);
    EXPECT_EQ(so.ConnectEvents(host::opos::kPinpadControlEvents), E_NOINTERFACE);
}

// A window on this thread that counts what it is sent or posted.
class CountingWindow {
public:
    CountingWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Proc;
        wc.lpszClassName = "OrvHostTestWindow";
        RegisterClassA(&wc);  // already there after the first test: fine
        hwnd_ = CreateWindowExA(0, "OrvHostTestWindow", "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
    }
    ~CountingWindow() { DestroyWindow(hwnd_); }
    HWND Handle() const { return hwnd_; }
    static int Count() { return count_.load(); }
    static void ResetCount() { count_.store(0); }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
        if (m == WM_APP) {
            count_.fetch_add(1);
            return 0;
        }
        return DefWindowProcA(h, m, w, l);
    }
    static inline std::atomic<int> count_{0};
    HWND hwnd_;
};

TEST(HostPump, DispatchPendingRunsWhatWaitsAndNeverBlocks) {
    CountingWindow window;
    CountingWindow::ResetCount();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(PostMessageA(window.Handle(), WM_APP, 0, 0));
    EXPECT_EQ(host::DispatchPending(), 3u);
    EXPECT_EQ(CountingWindow::Count(), 3);
    const auto start = Clock::now();
    EXPECT_EQ(host::DispatchPending(), 0u);
    EXPECT_LT(Clock::now() - start, 500ms);
}

TEST(HostPump, PumpUntilWakesForAnotherThreadsMessageAndOtherwiseTimesOut) {
    CountingWindow window;
    CountingWindow::ResetCount();
    auto start = Clock::now();
    EXPECT_FALSE(host::PumpUntil([] { return false; }, 120ms));
    EXPECT_GE(Clock::now() - start, 120ms);
    EXPECT_LT(Clock::now() - start, 1s);
    std::thread poster([&] {
        std::this_thread::sleep_for(30ms);
        SendNotifyMessageA(window.Handle(), WM_APP, 0, 0);
    });
    start = Clock::now();
    EXPECT_TRUE(host::PumpUntil([] { return CountingWindow::Count() == 1; }, 5s));
    EXPECT_LT(Clock::now() - start, 1s);
    poster.join();
}

TEST(HostPump, MessageLoopEndsWithTheQuitCode) {
    PostQuitMessage(7);
    EXPECT_EQ(host::DispatchPending(), 0u) << "the quit request is left for the loop";
    EXPECT_EQ(host::RunMessageLoop(), 7);
    const DWORD self = GetCurrentThreadId();
    std::thread other([self] { PostThreadMessageA(self, WM_QUIT, 3, 0); });
    EXPECT_EQ(host::RunMessageLoop(), 3);
    other.join();
}

}  // namespace
}  // namespace orv::co::test
