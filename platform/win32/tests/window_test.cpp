// Window classes and windows: registration, creation, destruction, per-window data.
#include <gtest/gtest.h>

#include <cstring>

#include "win32_test_util.h"

namespace orv::test {
namespace {

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

WNDCLASSA PlainClass(const char* name) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = name;
    wc.style = CS_GLOBALCLASS;
    wc.hCursor = nullptr;
    return wc;
}

LPCSTR AtomName(ATOM atom) {
    return reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(atom));
}

TEST(WindowClassTest, NamesAreUniqueCaseInsensitively) {
    WNDCLASSA wc = PlainClass("Transport_xptrs485");
    const ATOM atom = RegisterClassA(&wc);
    ASSERT_NE(atom, 0);
    WNDCLASSA again = PlainClass("TRANSPORT_XPTRS485");
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&again), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
    EXPECT_TRUE(UnregisterClassA("transport_XPTRS485", nullptr));
    EXPECT_NE(RegisterClassA(&again), 0);
    EXPECT_TRUE(UnregisterClassA("Transport_xptrs485", nullptr));
}

TEST(WindowClassTest, BadRegistrationsAreRefused) {
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    WNDCLASSA noName = PlainClass(nullptr);
    EXPECT_EQ(RegisterClassA(&noName), 0);
    WNDCLASSA emptyName = PlainClass("");
    EXPECT_EQ(RegisterClassA(&emptyName), 0);
    WNDCLASSA noProc = PlainClass("NoProc");
    noProc.lpfnWndProc = nullptr;
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&noProc), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WindowClassTest, UnregisterNeedsAKnownClassWithoutWindows) {
    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("NeverRegistered", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_FALSE(UnregisterClassA(nullptr, nullptr));

    WNDCLASSA wc = PlainClass("Busy");
    const ATOM atom = RegisterClassA(&wc);
    ASSERT_NE(atom, 0);
    HWND hwnd = CreateWindowExA(0, AtomName(atom), "by atom", 0, 0, 0, 0, 0, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("Busy", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_TRUE(UnregisterClassA(AtomName(atom), nullptr));
}

class WindowTest : public ::testing::Test {
protected:
    ScopedTestClass testClass_;
};

TEST_F(WindowTest, CreateSendsWmCreateWithTheCreationData) {
    std::vector<UINT> seen;
    CREATESTRUCTA copy{};
    Handler handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        seen.push_back(msg);
        if (msg == WM_CREATE) {
            copy = *reinterpret_cast<CREATESTRUCTA*>(lParam);
            EXPECT_TRUE(IsWindow(hwnd));
        }
        return 0;
    };
    // The forwarding procedure takes the handler from lpCreateParams.
    HWND hwnd = CreateWindowExA(7, kTestClass, "Transport Window", 9, 1, 2, 3, 4, nullptr, nullptr,
                                nullptr, &handler);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(seen, std::vector<UINT>{WM_CREATE});
    EXPECT_EQ(copy.lpCreateParams, &handler);
    EXPECT_STREQ(copy.lpszName, "Transport Window");
    EXPECT_EQ(copy.dwExStyle, 7u);
    EXPECT_EQ(copy.style, 9);
    EXPECT_EQ(copy.x, 1);
    EXPECT_EQ(copy.cy, 4);
    DestroyWindow(hwnd);
}

TEST_F(WindowTest, CreateFailsForAnUnknownClassOrARefusingProcedure) {
    SetLastError(0);
    EXPECT_EQ(
        CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_DOES_NOT_EXIST));
    EXPECT_EQ(CreateWindowExA(0, nullptr, "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr),
              nullptr);

    HWND refused = nullptr;
    bool destroyed = false;
    Handler handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_CREATE) {
            refused = hwnd;
            return -1;
        }
        if (msg == WM_DESTROY) destroyed = true;
        return 0;
    };
    EXPECT_EQ(CreateTestWindow(&handler), nullptr);
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(refused));
}

TEST_F(WindowTest, DestroySendsWmDestroyOnceAndInvalidatesTheHandle) {
    int destroys = 0;
    Handler handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_DESTROY) {
            ++destroys;
            EXPECT_TRUE(IsWindow(hwnd)) << "still valid during WM_DESTROY";
            EXPECT_TRUE(DestroyWindow(hwnd)) << "nested destroy is a no-op";
        }
        return 0;
    };
    HWND hwnd = CreateTestWindow(&handler);
    ASSERT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(destroys, 1);
    EXPECT_FALSE(IsWindow(hwnd));
    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(DestroyWindow(nullptr));

    HWND next = CreateTestWindow(&handler);
    EXPECT_NE(next, hwnd) << "handle values are not reused";
    DestroyWindow(next);
}

TEST_F(WindowTest, OnlyTheOwnerThreadMayDestroy) {
    Handler handler;
    HWND hwnd = CreateTestWindow(&handler);
    std::thread([&] {
        SetLastError(0);
        EXPECT_FALSE(DestroyWindow(hwnd));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }).join();
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(DestroyWindow(hwnd));
}

TEST_F(WindowTest, DefaultProcedureDestroysOnClose) {
    Handler handler;  // empty: everything goes to DefWindowProcA
    HWND hwnd = CreateTestWindow(&handler);
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
    EXPECT_TRUE(IsWindow(hwnd));
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(WindowTest, UserDataSlot) {
    Handler handler;
    HWND hwnd = CreateTestWindow(&handler);
    // The forwarding procedure put the handler there at WM_CREATE.
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 1234), reinterpret_cast<LONG_PTR>(&handler));
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 1234);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0), 1234);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, -4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    SetLastError(0);
    EXPECT_EQ(SetWindowLongPtrA(hwnd, 8, 1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
    DestroyWindow(hwnd);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_USERDATA), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowTest, TextIsTruncatedAndTerminated) {
    Handler handler;
    HWND hwnd = CreateTestWindow(&handler, "FireEventHiddenWindow");
    char buffer[64];
    EXPECT_EQ(GetWindowTextA(hwnd, buffer, sizeof buffer), 21);
    EXPECT_STREQ(buffer, "FireEventHiddenWindow");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(GetWindowTextA(hwnd, buffer, 5), 4);
    EXPECT_STREQ(buffer, "Fire");
    EXPECT_EQ(GetWindowTextA(hwnd, buffer, 0), 0);
    EXPECT_EQ(GetWindowTextA(hwnd, nullptr, 10), 0);
    DestroyWindow(hwnd);
    EXPECT_EQ(GetWindowTextA(hwnd, buffer, sizeof buffer), 0);
}

TEST_F(WindowTest, OwnerThreadAndProcess) {
    Handler handler;
    HWND mine = CreateTestWindow(&handler);
    DWORD pid = 0;
    EXPECT_EQ(GetWindowThreadProcessId(mine, &pid), GetCurrentThreadId());
    EXPECT_EQ(pid, GetCurrentProcessId());
    EXPECT_EQ(GetWindowThreadProcessId(mine, nullptr), GetCurrentThreadId());

    DWORD otherThread = 0;
    std::thread([&] { otherThread = GetCurrentThreadId(); }).join();
    EXPECT_NE(otherThread, GetCurrentThreadId());
    DestroyWindow(mine);
    SetLastError(0);
    EXPECT_EQ(GetWindowThreadProcessId(mine, &pid), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
}  // namespace orv::test
