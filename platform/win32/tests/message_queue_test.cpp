// PostMessageA, PostThreadMessageA, GetMessageA/PeekMessageA/DispatchMessageA, PostQuitMessage:
// cross-thread delivery, ordering, filters, destroyed windows, thread end, limits, re-entrancy.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "win32_test_util.h"

namespace orv::test {
namespace {

class MessageQueueTest : public ::testing::Test {
protected:
    void TearDown() override {
        MSG msg;  // leave nothing behind for the next test on this thread
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    ScopedTestClass testClass_;
};

Handler Logging(MessageLog& log) {
    return [&log](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        log.Add(hwnd, msg, wParam, lParam);
        return 0;
    };
}

TEST_F(MessageQueueTest, PostedMessagesRunOnTheOwnerThreadInOrder) {
    MessageLog log;
    Handler handler = Logging(log);
    OwnerThread owner(&handler);
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(PostMessageA(owner.hwnd(), WM_USER, static_cast<WPARAM>(i), -i));
    ASSERT_TRUE(PostMessageA(owner.hwnd(), WM_USER + 1, 0, 0));
    ASSERT_TRUE(log.WaitForCount(202));  // WM_CREATE + 201

    auto entries = log.UserEntries();
    ASSERT_EQ(entries.size(), 201u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(entries[i].msg, static_cast<UINT>(WM_USER));
        EXPECT_EQ(entries[i].wParam, static_cast<WPARAM>(i));
        EXPECT_EQ(entries[i].lParam, -i);
        EXPECT_EQ(entries[i].hwnd, owner.hwnd());
        EXPECT_EQ(entries[i].threadId, owner.thread_id());
    }
    EXPECT_EQ(entries[200].msg, static_cast<UINT>(WM_USER + 1));
}

TEST_F(MessageQueueTest, ConcurrentPostersKeepEachSendersOrder) {
    constexpr int kSenders = 4;
    constexpr int kEach = 500;
    MessageLog log;
    Handler handler = Logging(log);
    OwnerThread owner(&handler);
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s) {
        senders.emplace_back([&, s] {
            for (int i = 0; i < kEach; ++i)
                EXPECT_TRUE(PostMessageA(owner.hwnd(), WM_USER + s, static_cast<WPARAM>(i), 0));
        });
    }
    for (auto& t : senders) t.join();
    ASSERT_TRUE(log.WaitForCount(1 + kSenders * kEach));

    int next[kSenders] = {};
    for (const auto& e : log.UserEntries()) {
        const int s = static_cast<int>(e.msg - WM_USER);
        ASSERT_GE(s, 0);
        ASSERT_LT(s, kSenders);
        EXPECT_EQ(e.wParam, static_cast<WPARAM>(next[s]));
        next[s] = static_cast<int>(e.wParam) + 1;
    }
    for (int s = 0; s < kSenders; ++s) EXPECT_EQ(next[s], kEach);
}

TEST_F(MessageQueueTest, MessageCarriesTimeAndWindow) {
    Handler handler;
    HWND hwnd = CreateTestWindow(&handler);
    const DWORD before = GetTickCount();
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 3, 11, 22));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, hwnd);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 3));
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_EQ(msg.lParam, 22);
    EXPECT_LE(msg.time - before, 1000u);
    DestroyWindow(hwnd);
}

TEST_F(MessageQueueTest, PostingToADestroyedWindowFails) {
    Handler handler;
    HWND hwnd = CreateTestWindow(&handler);
    ASSERT_TRUE(DestroyWindow(hwnd));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(SendNotifyMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(reinterpret_cast<HWND>(0x1234), WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(MessageQueueTest, DestroyDiscardsTheWindowsQueuedMessagesOnly) {
    MessageLog log;
    Handler handler = Logging(log);
    HWND doomed = CreateTestWindow(&handler);
    HWND kept = CreateTestWindow(&handler);
    ASSERT_TRUE(PostMessageA(doomed, WM_USER + 1, 0, 0));
    ASSERT_TRUE(PostMessageA(kept, WM_USER + 2, 0, 0));
    ASSERT_TRUE(PostMessageA(doomed, WM_USER + 3, 0, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 4, 0, 0));
    ASSERT_TRUE(DestroyWindow(doomed));

    std::vector<UINT> seen;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        seen.push_back(msg.message);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER + 2, WM_USER + 4}));
    for (const auto& e : log.UserEntries()) EXPECT_NE(e.hwnd, doomed);
    DestroyWindow(kept);
}

TEST_F(MessageQueueTest, ThreadMessagesHaveNoWindowAndDispatchToNothing) {
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 5, 1, 2));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 6, 3, 4));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 6));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, FiltersSelectByWindowAndRange) {
    Handler handler;
    HWND a = CreateTestWindow(&handler);
    HWND b = CreateTestWindow(&handler);
    ASSERT_TRUE(PostMessageA(a, WM_USER + 1, 0, 0));
    ASSERT_TRUE(PostMessageA(b, WM_USER + 2, 0, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 3, 0, 0));
    ASSERT_TRUE(PostMessageA(a, WM_USER + 5, 0, 0));

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_FALSE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));

    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 4, WM_USER + 9, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 5));

    const HWND threadOnly = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));
    ASSERT_TRUE(PeekMessageA(&msg, threadOnly, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 3));
    EXPECT_FALSE(PeekMessageA(&msg, threadOnly, 0, 0, PM_REMOVE));

    ASSERT_TRUE(GetMessageA(&msg, a, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    DestroyWindow(a);
    DestroyWindow(b);
}

TEST_F(MessageQueueTest, PeekWithoutRemoveLeavesTheMessage) {
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 7, 0, 0));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 7));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, QuitComesAfterPostedMessagesAndPassesAnyFilter) {
    PostQuitMessage(7);
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 1, 0, 0));
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 1);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    // A range that WM_QUIT lies outside of still yields it.
    EXPECT_EQ(GetMessageA(&msg, nullptr, WM_USER, WM_USER + 10), 0);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    ASSERT_TRUE(PostMessageA(nullptr, WM_QUIT, 3, 0));  // a posted WM_QUIT ends GetMessageA too
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MessageQueueTest, SentMessagesRunBeforePostedOnesAndAreNotReturned) {
    MessageLog log;
    Handler handler = Logging(log);
    OwnerThread owner(&handler, /*startPaused=*/true);
    ASSERT_TRUE(PostMessageA(owner.hwnd(), WM_USER + 1, 0, 0));
    ASSERT_TRUE(SendNotifyMessageA(owner.hwnd(), WM_USER + 2, 0, 0));
    ASSERT_TRUE(PostMessageA(owner.hwnd(), WM_USER + 3, 0, 0));
    ASSERT_TRUE(SendNotifyMessageA(owner.hwnd(), WM_USER + 4, 0, 0));
    owner.Start();
    ASSERT_TRUE(log.WaitForCount(5));
    owner.Stop();

    std::vector<UINT> handled;
    for (const auto& e : log.UserEntries()) {
        handled.push_back(e.msg);
        EXPECT_EQ(e.threadId, owner.thread_id());
    }
    EXPECT_EQ(handled, (std::vector<UINT>{WM_USER + 2, WM_USER + 4, WM_USER + 1, WM_USER + 3}));
    std::vector<UINT> retrieved;
    for (const auto& m : owner.Retrieved())
        if (m.message != WM_QUIT) retrieved.push_back(m.message);
    EXPECT_EQ(retrieved, (std::vector<UINT>{WM_USER + 1, WM_USER + 3}));
}

TEST_F(MessageQueueTest, SendNotifyOnTheOwnThreadRunsAtOnce) {
    MessageLog log;
    Handler handler = Logging(log);
    HWND hwnd = CreateTestWindow(&handler);
    ASSERT_TRUE(SendNotifyMessageA(hwnd, WM_USER + 9, 5, 6));
    auto entries = log.UserEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].wParam, 5u);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST_F(MessageQueueTest, ThreadEndFreesItsQueueAndWindows) {
    Handler handler;
    HWND hwnd = nullptr;
    DWORD threadId = 0;
    int fd = -1;
    std::thread([&] {
        hwnd = CreateTestWindow(&handler);
        threadId = GetCurrentThreadId();
        fd = OrvGetMessageQueueFd();
        PostMessageA(hwnd, WM_USER, 0, 0);  // left unread
    }).join();
    ASSERT_NE(hwnd, nullptr);
    ASSERT_GE(fd, 0);

    EXPECT_FALSE(IsWindow(hwnd));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(SendNotifyMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(threadId, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    EXPECT_EQ(fcntl(fd, F_GETFD), -1) << "the queue's descriptor must be closed";
    // The class has no windows left, so it can go.
    EXPECT_TRUE(UnregisterClassA(kTestClass, nullptr));
    WNDCLASSA wc{};
    wc.lpfnWndProc = ForwardingProc;
    wc.lpszClassName = kTestClass;
    EXPECT_NE(RegisterClassA(&wc), 0);  // again, for the fixture's unregister
}

TEST_F(MessageQueueTest, PostThreadMessageNeedsAThreadWithAQueue) {
    std::promise<DWORD> id;
    std::promise<void> done;
    std::thread thread([&] {
        id.set_value(GetCurrentThreadId());
        done.get_future().wait();
    });
    const DWORD threadId = id.get_future().get();
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(threadId, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
    done.set_value();
    thread.join();
}

TEST_F(MessageQueueTest, AFullQueueRefusesPostsUntilDrained) {
    Handler handler;
    HWND hwnd = CreateTestWindow(&handler);
    for (int i = 0; i < 10000; ++i) ASSERT_TRUE(PostMessageA(hwnd, WM_USER, i, 0)) << i;
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
    EXPECT_FALSE(PostMessageA(nullptr, WM_USER, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_TRUE(PostMessageA(hwnd, WM_USER, 0, 0));
    DestroyWindow(hwnd);  // and the 10,000 go with it
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, ProceduresMayCreateDestroyAndPostReentrantly) {
    MessageLog log;
    Handler childHandler = Logging(log);
    HWND child = nullptr;
    Handler handler = [&](HWND hwnd, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_USER) {
            child = CreateTestWindow(&childHandler, "child");
            PostMessageA(child, WM_USER + 1, 0, 0);
            PostMessageA(hwnd, WM_USER + 2, 0, 0);  // to itself, then gone
            DestroyWindow(hwnd);
            // A nested pump inside a procedure runs the child's message.
            MSG inner;
            while (PeekMessageA(&inner, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&inner);
        }
        return 0;
    };
    HWND parent = CreateTestWindow(&handler, "parent");
    ASSERT_TRUE(PostMessageA(parent, WM_USER, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);

    EXPECT_FALSE(IsWindow(parent));
    ASSERT_TRUE(IsWindow(child));
    auto entries = log.UserEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].msg, static_cast<UINT>(WM_USER + 1));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // WM_USER+2 was discarded
    DestroyWindow(child);
}

TEST_F(MessageQueueTest, AnExceptionInAProcedureStaysInside) {
    Handler handler = [](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_USER) throw std::runtime_error("handler failed");
        return 5;
    };
    HWND hwnd = CreateTestWindow(&handler);
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_NO_THROW(EXPECT_EQ(DispatchMessageA(&msg), 0));
    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 1, 0, 0), 5);
    DestroyWindow(hwnd);
}

TEST_F(MessageQueueTest, NoMessageReachesAWindowAfterItsDestruction) {
    std::atomic<bool> destroyed{false};
    std::atomic<int> lateMessages{0};
    Handler handler = [&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_DESTROY) destroyed = true;
        if (msg == WM_USER && destroyed) ++lateMessages;
        return 0;
    };
    HWND hwnd = CreateTestWindow(&handler);
    std::atomic<bool> stop{false};
    std::atomic<int> refused{0};
    std::thread poster([&] {
        while (!stop) {
            if (!PostMessageA(hwnd, WM_USER, 0, 0)) {
                const DWORD error = GetLastError();
                if (error == ERROR_INVALID_WINDOW_HANDLE)
                    ++refused;
                else
                    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
            }
        }
    });
    MSG msg;
    for (int i = 0; i < 200; ++i) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    ASSERT_TRUE(DestroyWindow(hwnd));
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
    while (std::chrono::steady_clock::now() < until) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    stop = true;
    poster.join();
    EXPECT_GT(refused.load(), 0);
    EXPECT_EQ(lateMessages.load(), 0);
}

TEST_F(MessageQueueTest, BadArgumentsGetWindowsResults) {
    SetLastError(0);
    EXPECT_EQ(GetMessageA(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    MSG msg;
    SetLastError(0);
    EXPECT_EQ(GetMessageA(&msg, reinterpret_cast<HWND>(0x4444), 0, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(0x4444), 0, 0, PM_REMOVE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(PeekMessageA(nullptr, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    msg = MSG{reinterpret_cast<HWND>(0x4444), WM_USER, 0, 0, 0, {0, 0}};
    SetLastError(0);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_FALSE(TranslateMessage(nullptr));
}

}  // namespace
}  // namespace orv::test
