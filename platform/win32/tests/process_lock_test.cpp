// OrvEnterProcessLock / OrvLeaveProcessLock: exclusion between threads, nesting by the owner,
// refused leaves, bad names.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/process_lock.h"
#include "platform/win32.h"

namespace {

TEST(ProcessLockTest, ThreadsTakingOneNameNeverOverlapAndOtherNamesDoNotWait) {
    constexpr int kThreads = 4, kRounds = 2000;
    std::atomic<int> inside{0}, overlaps{0};
    long total = 0;  // written only under the lock
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                orv::ProcessLockGuard guard("test.exclusion");
                ASSERT_TRUE(guard.Held());
                if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
                ++total;
                inside.fetch_sub(1);
            }
        });
    }
    {
        // Another name is free while threads contend for the first.
        orv::ProcessLockGuard other("test.exclusion.other");
        EXPECT_TRUE(other.Held());
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(total, long{kThreads} * kRounds);
}

TEST(ProcessLockTest, OwnerNestsAndOnlyTheOwnerLeaves) {
    ASSERT_TRUE(OrvEnterProcessLock("test.nest"));
    ASSERT_TRUE(OrvEnterProcessLock("test.nest")) << "the owner takes it again";
    std::atomic<bool> taken{false};
    std::thread other([&] {
        SetLastError(0);
        EXPECT_FALSE(OrvLeaveProcessLock("test.nest"));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
        ASSERT_TRUE(OrvEnterProcessLock("test.nest"));
        taken.store(true);
        EXPECT_TRUE(OrvLeaveProcessLock("test.nest"));
    });
    EXPECT_TRUE(OrvLeaveProcessLock("test.nest"));
    EXPECT_FALSE(taken.load()) << "one take is still held";
    EXPECT_TRUE(OrvLeaveProcessLock("test.nest"));
    other.join();
    EXPECT_TRUE(taken.load());
    SetLastError(0);
    EXPECT_FALSE(OrvLeaveProcessLock("test.nest")) << "free: nothing to give back";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
}

TEST(ProcessLockTest, NullEmptyAndUnknownNamesAreRefused) {
    for (LPCSTR name : {static_cast<LPCSTR>(nullptr), ""}) {
        SetLastError(0);
        EXPECT_FALSE(OrvEnterProcessLock(name));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        SetLastError(0);
        EXPECT_FALSE(OrvLeaveProcessLock(name));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    EXPECT_FALSE(OrvLeaveProcessLock("test.never.taken"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
    orv::ProcessLockGuard nothing(nullptr);
    EXPECT_FALSE(nothing.Held());
}

}  // namespace
