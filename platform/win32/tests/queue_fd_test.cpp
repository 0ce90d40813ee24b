// OrvGetMessageQueueFd: readable exactly while a posted or sent message (or the quit request)
// waits, so a foreign poll loop can pump the queue.
#include <gtest/gtest.h>

#include "win32_test_util.h"

namespace orv::test {
namespace {

class QueueFdTest : public ::testing::Test {
protected:
    void SetUp() override {
        fd_ = OrvGetMessageQueueFd();
        ASSERT_GE(fd_, 0);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        ASSERT_FALSE(Readable(fd_));
    }
    ScopedTestClass testClass_;
    int fd_ = -1;
};

TEST_F(QueueFdTest, IsOneDescriptorPerThread) {
    EXPECT_EQ(OrvGetMessageQueueFd(), fd_);
    int other = -1;
    std::thread([&] { other = OrvGetMessageQueueFd(); }).join();
    EXPECT_GE(other, 0);
    EXPECT_NE(other, fd_);
}

TEST_F(QueueFdTest, FollowsPostedMessagesUntilTheLastIsTaken) {
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 1, 0, 0));
    EXPECT_TRUE(Readable(fd_));
    EXPECT_TRUE(Readable(fd_)) << "level-triggered: stays readable while the message waits";
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 2, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_TRUE(Readable(fd_));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_TRUE(Readable(fd_));
    ASSERT_TRUE(GetMessageA(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_FALSE(Readable(fd_));
}

TEST_F(QueueFdTest, StaysReadableWhileAFilteredPeekLeavesMessages) {
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 1, 0, 0));
    ASSERT_TRUE(PostMessageA(nullptr, WM_USER + 8, 0, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 8, WM_USER + 8, PM_REMOVE));
    EXPECT_TRUE(Readable(fd_));
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER + 8, WM_USER + 8, PM_REMOVE));
    EXPECT_TRUE(Readable(fd_));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(Readable(fd_));
}

TEST_F(QueueFdTest, SentMessageMakesItReadableUntilRun) {
    MessageLog log;
    Handler handler = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        log.Add(hwnd, msg, w, l);
        return 0;
    };
    HWND hwnd = CreateTestWindow(&handler);
    std::thread([&] { EXPECT_TRUE(SendNotifyMessageA(hwnd, WM_USER + 3, 0, 0)); }).join();
    EXPECT_TRUE(Readable(fd_));
    EXPECT_TRUE(log.UserEntries().empty());
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // ran it, returned nothing
    EXPECT_EQ(log.UserEntries().size(), 1u);
    EXPECT_FALSE(Readable(fd_));
    DestroyWindow(hwnd);
}

TEST_F(QueueFdTest, FollowsTheQuitRequest) {
    PostQuitMessage(0);
    EXPECT_TRUE(Readable(fd_));
    MSG msg;
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
    EXPECT_FALSE(Readable(fd_));
}

TEST_F(QueueFdTest, GoesQuietWhenDestroyDiscardsTheLastMessages) {
    Handler handler;
    HWND hwnd = CreateTestWindow(&handler);
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER, 0, 0));
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER, 0, 0));
    EXPECT_TRUE(Readable(fd_));
    DestroyWindow(hwnd);
    EXPECT_FALSE(Readable(fd_));
}

TEST_F(QueueFdTest, WakesAPollLoopOnAnotherThreadsPost) {
    MessageLog log;
    Handler handler = [&](HWND hwnd, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        log.Add(hwnd, msg, w, l);
        return 0;
    };
    HWND hwnd = CreateTestWindow(&handler);
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        PostMessageA(hwnd, WM_USER + 4, 0, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        SendNotifyMessageA(hwnd, WM_USER + 5, 0, 0);
    });
    // The foreign event loop: poll, then drain with PeekMessageA/DispatchMessageA.
    while (log.UserEntries().size() < 2) {
        ASSERT_TRUE(Readable(fd_, 10000));
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    poster.join();
    auto entries = log.UserEntries();
    EXPECT_EQ(entries[0].msg, static_cast<UINT>(WM_USER + 4));
    EXPECT_EQ(entries[1].msg, static_cast<UINT>(WM_USER + 5));
    DestroyWindow(hwnd);
}

}  // namespace
}  // namespace orv::test
