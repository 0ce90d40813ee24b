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

// Posters race the owner's drains: a post announces itself just after leaving the queue's lock,
// so the owner may take a message before its write lands. Nothing is lost or reordered, the
// owner never waits with a message queued, and once the posters are done one look at the empty
// queue leaves the descriptor quiet (a stale readiness would make a poll loop spin).
TEST_F(QueueFdTest, PostersRacingTheOwnerLeaveItQuietAfterOneLook) {
    const DWORD owner = GetCurrentThreadId();
    constexpr int kPosters = 2, kEach = 4000;  // together below the queue's quota
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([&, p] {
            for (int i = 0; i < kEach; ++i)
                EXPECT_TRUE(PostThreadMessageA(owner, WM_USER + p, static_cast<WPARAM>(i), 0));
        });
    int next[kPosters] = {};
    int taken = 0;
    while (taken < kPosters * kEach) {
        ASSERT_TRUE(Readable(fd_, 10000)) << "a message waits but the descriptor is quiet";
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const int p = static_cast<int>(msg.message - WM_USER);
            ASSERT_TRUE(p >= 0 && p < kPosters);
            ASSERT_EQ(msg.wParam, static_cast<WPARAM>(next[p])) << "poster " << p;
            ++next[p];
            ++taken;
        }
    }
    for (auto& t : posters) t.join();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(Readable(fd_));
}

}  // namespace
}  // namespace orv::test
