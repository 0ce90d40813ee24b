// The application host: creating by ProgID, calls by name with typed results, events through
// the control's own event interface, and both ways of pumping the thread's messages.
#include <gtest/gtest.h>

#include <thread>

#include "control_test_env.h"
#include "host/opos_events.h"
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
