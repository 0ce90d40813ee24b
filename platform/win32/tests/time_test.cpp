// GetTickCount, GetSystemTime, GetLocalTime, Sleep.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/win32.h"

namespace {

TEST(TickCountTest, IsTheLow32BitsOfTheMillisecondCounter) {
    const ULONGLONG wide = GetTickCount64();
    const DWORD narrow = GetTickCount();
    EXPECT_LE(static_cast<DWORD>(narrow - static_cast<DWORD>(wide)), 10u);
}

TEST(TickCountTest, AdvancesAcrossASleep) {
    const DWORD start = GetTickCount();
    Sleep(50);
    const DWORD elapsed = GetTickCount() - start;  // wrap-safe, as callers compute it
    EXPECT_GE(elapsed, 49u);
    EXPECT_LT(elapsed, 5000u);
    Sleep(0);  // yields and returns
}

void ExpectSame(const SYSTEMTIME& st, const tm& parts) {
    EXPECT_EQ(st.wYear, parts.tm_year + 1900);
    EXPECT_EQ(st.wMonth, parts.tm_mon + 1);
    EXPECT_EQ(st.wDay, parts.tm_mday);
    EXPECT_EQ(st.wDayOfWeek, parts.tm_wday);
    EXPECT_EQ(st.wHour, parts.tm_hour);
    EXPECT_EQ(st.wMinute, parts.tm_min);
    EXPECT_LT(st.wMilliseconds, 1000);
}

TEST(SystemTimeTest, IsUtcAndLocalTimeIsLocal) {
    // Retry if a second boundary falls between the readings. The bracket reads the precise
    // clock: time() follows the coarse one, which can still show the previous second.
    const auto seconds = [] {
        timespec ts{};
        clock_gettime(CLOCK_REALTIME, &ts);
        return ts.tv_sec;
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        const time_t now = seconds();
        SYSTEMTIME utc{}, local{};
        GetSystemTime(&utc);
        GetLocalTime(&local);
        if (seconds() != now) continue;
        tm utcParts{}, localParts{};
        gmtime_r(&now, &utcParts);
        localtime_r(&now, &localParts);
        ExpectSame(utc, utcParts);
        ExpectSame(local, localParts);
        EXPECT_EQ(utc.wSecond, utcParts.tm_sec);
        return;
    }
    FAIL() << "clock kept moving across second boundaries";
}

TEST(SystemTimeTest, NullOutputIsIgnored) {
    SetLastError(1234);
    GetSystemTime(nullptr);
    GetLocalTime(nullptr);
    EXPECT_EQ(GetLastError(), 1234u) << "no error is reported for it";
    SYSTEMTIME st{};
    GetSystemTime(&st);
    EXPECT_GE(st.wYear, 2024) << "and the next call still answers";
}

}  // namespace
