// Tick counts, wall-clock time and sleeping.
#include <sched.h>
#include <time.h>

#include <cerrno>

#include "platform/win32.h"

namespace {

ULONGLONG MonotonicMilliseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<ULONGLONG>(ts.tv_sec) * 1000u +
           static_cast<ULONGLONG>(ts.tv_nsec) / 1000000u;
}

void FillSystemTime(const tm& parts, long nanoseconds, LPSYSTEMTIME out) {
    out->wYear = static_cast<WORD>(parts.tm_year + 1900);
    out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    out->wDay = static_cast<WORD>(parts.tm_mday);
    out->wHour = static_cast<WORD>(parts.tm_hour);
    out->wMinute = static_cast<WORD>(parts.tm_min);
    // A leap second (tm_sec 60) is folded into 59, as SYSTEMTIME has no room for it.
    out->wSecond = static_cast<WORD>(parts.tm_sec > 59 ? 59 : parts.tm_sec);
    out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

}  // namespace

extern "C" {

// CLOCK_MONOTONIC counts from boot, as the Windows tick count does; the 32-bit value wraps
// after 49.7 days exactly like Windows', so callers' wrap-around arithmetic stays valid.
ORV_API DWORD WINAPI GetTickCount(void) {
    return static_cast<DWORD>(MonotonicMilliseconds());
}

ORV_API ULONGLONG WINAPI GetTickCount64(void) {
    return MonotonicMilliseconds();
}

ORV_API void WINAPI GetSystemTime(LPSYSTEMTIME time) {
    if (time == nullptr) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts{};
    gmtime_r(&ts.tv_sec, &parts);
    FillSystemTime(parts, ts.tv_nsec, time);
}

ORV_API void WINAPI GetLocalTime(LPSYSTEMTIME time) {
    if (time == nullptr) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts{};
    localtime_r(&ts.tv_sec, &parts);
    FillSystemTime(parts, ts.tv_nsec, time);
}

// Sleep(0) gives up the rest of the time slice; INFINITE never returns. Signals do not shorten
// the sleep.
ORV_API void WINAPI Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    if (milliseconds == INFINITE) {
        for (;;) {
            timespec day{86400, 0};
            nanosleep(&day, nullptr);
        }
    }
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

}  // extern "C"
