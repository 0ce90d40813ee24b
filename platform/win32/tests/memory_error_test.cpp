// LocalAlloc/LocalFree and the per-thread last error.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "platform/win32.h"

namespace {

TEST(LastErrorTest, IsKeptPerThread) {
    SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    DWORD seenOnOtherThread = 1;
    std::thread([&] {
        seenOnOtherThread = GetLastError();
        SetLastError(ERROR_ACCESS_DENIED);
    }).join();
    EXPECT_EQ(seenOnOtherThread, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
}

TEST(LocalMemoryTest, ZeroInitAndFree) {
    auto* block = static_cast<unsigned char*>(LocalAlloc(LMEM_ZEROINIT, 64));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(block[i], 0) << i;
    EXPECT_EQ(LocalFree(block), nullptr);

    HLOCAL empty = LocalAlloc(LMEM_FIXED, 0);
    EXPECT_NE(empty, nullptr);
    EXPECT_EQ(LocalFree(empty), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(LocalMemoryTest, ForeignAndDoubleFreesAreRefused) {
    HLOCAL block = LocalAlloc(LMEM_FIXED, 16);
    ASSERT_EQ(LocalFree(block), nullptr);
    SetLastError(0);
    EXPECT_EQ(LocalFree(block), block) << "second free";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    char stack[8];
    EXPECT_EQ(LocalFree(stack), static_cast<HLOCAL>(stack));
}

TEST(LocalMemoryTest, MovableMemoryIsNotOffered) {
    SetLastError(0);
    EXPECT_EQ(LocalAlloc(0x0002 /* LMEM_MOVEABLE */, 16), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
