// SendMessageA and SendNotifyMessageA across threads: results, where the procedure runs,
// mutual sends, and senders released when the target goes away.
#include <gtest/gtest.h>

#include <atomic>

#include "win32_test_util.h"

namespace orv::test {
namespace {

class SendMessageTest : public ::testing::Test {
protected:
    ScopedTestClass testClass_;
};

TEST_F(SendMessageTest, SameThreadCallsTheProcedureAndReturnsItsResult) {
    Handler handler = [](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        return msg == WM_USER ? static_cast<LRESULT>(w) + l : 0;
    };
    HWND hwnd = CreateTestWindow(&handler);
    EXPECT_EQ(SendMessageA(hwnd, WM_USER, 40, 2), 42);
    DestroyWindow(hwnd);
}

TEST_F(SendMessageTest, CrossThreadRunsOnTheOwnerAndReturnsItsResult) {
    Handler handler = [](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        return msg == WM_USER ? static_cast<LRESULT>(GetCurrentThreadId()) * 10 + w : 0;
    };
    OwnerThread owner(&handler);
    EXPECT_EQ(SendMessageA(owner.hwnd(), WM_USER, 7, 0),
              static_cast<LRESULT>(owner.thread_id()) * 10 + 7);
}

TEST_F(SendMessageTest, MutualSendsDoNotDeadlock) {
    // Main sends to the owner; the owner's procedure sends back to main's window while main
    // still waits: main must run that message inside its own wait.
    std::atomic<DWORD> ranOn{0};
    Handler mainHandler = [&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg != WM_USER + 1) return 0;
        ranOn = GetCurrentThreadId();
        return static_cast<LRESULT>(w) * 2;
    };
    HWND mainWindow = CreateTestWindow(&mainHandler, "main");
    Handler ownerHandler = [&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        if (msg != WM_USER) return 0;
        return SendMessageA(mainWindow, WM_USER + 1, w, 0) + 1;
    };
    OwnerThread owner(&ownerHandler);
    EXPECT_EQ(SendMessageA(owner.hwnd(), WM_USER, 20, 0), 41);
    EXPECT_EQ(ranOn.load(), GetCurrentThreadId());
    DestroyWindow(mainWindow);
}

TEST_F(SendMessageTest, SenderIsReleasedWhenTheWindowIsDestroyedFirst) {
    std::atomic<int> handled{0};
    Handler handler = [&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_USER) ++handled;
        return 99;
    };
    HWND hwnd = nullptr;
    std::promise<HWND> created;
    std::promise<void> senderWaiting;
    std::thread owner([&] {
        hwnd = CreateTestWindow(&handler);
        created.set_value(hwnd);
        senderWaiting.get_future().wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        DestroyWindow(hwnd);  // before ever pumping
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    });
    HWND target = created.get_future().get();
    std::thread sender([&] {
        senderWaiting.set_value();
        EXPECT_EQ(SendMessageA(target, WM_USER, 0, 0), 0);
    });
    sender.join();
    owner.join();
    EXPECT_EQ(handled.load(), 0);
}

TEST_F(SendMessageTest, SenderIsReleasedWhenTheOwnerThreadEnds) {
    Handler handler = [](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 99; };
    std::promise<HWND> created;
    std::promise<void> senderWaiting;
    std::thread owner([&] {
        created.set_value(CreateTestWindow(&handler));
        senderWaiting.get_future().wait();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });  // ends without pumping or destroying
    HWND target = created.get_future().get();
    std::thread sender([&] {
        senderWaiting.set_value();
        EXPECT_EQ(SendMessageA(target, WM_USER, 0, 0), 0);
    });
    sender.join();
    owner.join();
}

TEST_F(SendMessageTest, NotifyFromManyThreadsRunsEachOnceOnTheOwner) {
    MessageLog log;
    Handler handler = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        log.Add(hwnd, msg, w, l);
        return 0;
    };
    OwnerThread owner(&handler);
    std::vector<std::thread> senders;
    for (int s = 0; s < 4; ++s) {
        senders.emplace_back([&, s] {
            for (int i = 0; i < 100; ++i)
                EXPECT_TRUE(SendNotifyMessageA(owner.hwnd(), WM_USER + s, i, 0));
        });
    }
    for (auto& t : senders) t.join();
    ASSERT_TRUE(log.WaitForCount(401));
    std::vector<int> counts(4);
    for (const auto& e : log.UserEntries()) {
        ++counts[e.msg - WM_USER];
        EXPECT_EQ(e.threadId, owner.thread_id());
    }
    EXPECT_EQ(counts, (std::vector<int>{100, 100, 100, 100}));
}

TEST_F(SendMessageTest, BadWindowGetsZeroAndTheError) {
    SetLastError(0);
    EXPECT_EQ(SendMessageA(reinterpret_cast<HWND>(0x4444), WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(SendNotifyMessageA(nullptr, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

}  // namespace
}  // namespace orv::test
