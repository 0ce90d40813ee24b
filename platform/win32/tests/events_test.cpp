// Event objects, WaitForSingleObject, WaitForMultipleObjects, CloseHandle.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "blocked_thread.h"
#include "platform/win32.h"

namespace {

// Closes on scope exit.
class Event {
public:
    Event(bool manual, bool initial) : handle_(CreateEventA(nullptr, manual, initial, nullptr)) {}
    ~Event() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

TEST(EventTest, ManualResetStaysSignalledUntilReset) {
    Event event(true, false);
    ASSERT_NE(event.get(), nullptr);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
    ASSERT_TRUE(SetEvent(event.get()));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
    ASSERT_TRUE(ResetEvent(event.get()));
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
}

TEST(EventTest, AutoResetIsConsumedByTheWaitItSatisfies) {
    Event event(false, true);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
    SetEvent(event.get());
    SetEvent(event.get());  // not counted: one set, one wait
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event.get(), 0), WAIT_TIMEOUT);
}

TEST(EventTest, TimedWaitTimesOutAfterTheInterval) {
    Event event(true, false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForSingleObject(event.get(), 60), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
}

TEST(EventTest, SetFromAnotherThreadWakesAnInfiniteWait) {
    Event event(false, false);
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetEvent(event.get());
    });
    EXPECT_EQ(WaitForSingleObject(event.get(), INFINITE), WAIT_OBJECT_0);
    setter.join();
}

TEST(EventTest, AutoResetReleasesExactlyOneOfTwoWaiters) {
    Event event(false, false);
    std::atomic<int> woken{0};
    std::atomic<int> timedOut{0};
    auto wait = [&] {
        if (WaitForSingleObject(event.get(), 300) == WAIT_OBJECT_0)
            ++woken;
        else
            ++timedOut;
    };
    std::thread a(wait), b(wait);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    SetEvent(event.get());
    a.join();
    b.join();
    EXPECT_EQ(woken.load(), 1);
    EXPECT_EQ(timedOut.load(), 1);
}

// A set lists the threads to wake without allocating while they are few, and copies the list
// when there are more: every blocked waiter wakes either way.
TEST(EventTest, ManualResetSetWakesEveryBlockedWaiter) {
    for (const int waiters : {1, 4, 5, 9}) {
        SCOPED_TRACE(waiters);
        Event event(true, false);
        std::atomic<int> woken{0};
        std::vector<std::thread> threads;
        std::vector<std::atomic<pid_t>> ids(waiters);
        for (int i = 0; i < waiters; ++i) {
            threads.emplace_back([&, i] {
                ids[i] = orv::test::ThreadId();
                if (WaitForSingleObject(event.get(), INFINITE) == WAIT_OBJECT_0) ++woken;
            });
        }
        for (auto& id : ids) {
            while (id.load() == 0) std::this_thread::yield();
            ASSERT_TRUE(orv::test::WaitUntilBlocked(id.load()));
        }
        SetEvent(event.get());
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(woken.load(), waiters);
    }
}

// Each thread reuses its own waiter from wait to wait: signals handed back and forth between
// two threads are each seen once, in turn.
TEST(EventTest, RepeatedWaitsOfOneThreadSeeEverySet) {
    Event ping(false, false), pong(false, false);
    constexpr int kRounds = 500;
    std::atomic<int> answered{0};
    std::thread echo([&] {
        for (int i = 0; i < kRounds; ++i) {
            if (WaitForSingleObject(ping.get(), 5000) != WAIT_OBJECT_0) return;
            ++answered;
            SetEvent(pong.get());
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        SetEvent(ping.get());
        ASSERT_EQ(WaitForSingleObject(pong.get(), 5000), WAIT_OBJECT_0) << i;
    }
    echo.join();
    EXPECT_EQ(answered.load(), kRounds);
    EXPECT_EQ(WaitForSingleObject(ping.get(), 0), WAIT_TIMEOUT);
}

// An auto-reset event handed round more waiters than a set lists in place, each also waiting for
// a stop event: every set wakes them all, exactly one takes it, and the others sleep again with
// late wakes of earlier sets still arriving at their reused waiters. No set is lost or taken twice.
TEST(WaitForMultipleObjectsTest, AutoResetSetsHandedAmongManyWaitersAreEachTakenOnce) {
    constexpr int kWaiters = 6;
    constexpr int kRounds = 300;
    Event token(false, false), taken(false, false), stop(true, false);
    std::atomic<int> takes{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < kWaiters; ++i) {
        threads.emplace_back([&] {
            const HANDLE handles[] = {stop.get(), token.get()};
            for (;;) {
                const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
                if (woken != WAIT_OBJECT_0 + 1) return;
                ++takes;
                SetEvent(taken.get());
            }
        });
    }
    int answered = 0;
    for (; answered < kRounds; ++answered) {
        SetEvent(token.get());
        if (WaitForSingleObject(taken.get(), 5000) != WAIT_OBJECT_0) break;
    }
    SetEvent(stop.get());
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(answered, kRounds);
    EXPECT_EQ(takes.load(), answered);
    EXPECT_EQ(WaitForSingleObject(token.get(), 0), WAIT_TIMEOUT);
}

TEST(WaitForMultipleObjectsTest, LowestSignalledIndexWinsAndOnlyItIsConsumed) {
    Event stop(true, false), read(false, false), other(false, false);
    const HANDLE handles[] = {stop.get(), read.get(), other.get()};
    SetEvent(read.get());
    SetEvent(other.get());
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0 + 1);
    // read was consumed by the win; other, auto-reset too, was not looked at as a winner.
    EXPECT_EQ(WaitForSingleObject(read.get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(other.get(), 0), WAIT_OBJECT_0);

    SetEvent(stop.get());
    SetEvent(read.get());
    EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(read.get(), 0), WAIT_OBJECT_0) << "the loser keeps its signal";
}

TEST(WaitForMultipleObjectsTest, WakesForALaterSetOfAnyObject) {
    Event first(false, false), second(false, false);
    const HANDLE handles[] = {first.get(), second.get()};
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetEvent(second.get());
    });
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 5000), WAIT_OBJECT_0 + 1);
    setter.join();
    EXPECT_EQ(WaitForMultipleObjects(2, handles, FALSE, 0), WAIT_TIMEOUT);
}

TEST(WaitForMultipleObjectsTest, WaitAllNeedsEveryObjectAndConsumesThemTogether) {
    Event manual(true, false), automatic(false, false);
    const HANDLE handles[] = {manual.get(), automatic.get()};
    SetEvent(automatic.get());
    EXPECT_EQ(WaitForMultipleObjects(2, handles, TRUE, 20), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(automatic.get(), 0), WAIT_OBJECT_0)
        << "a wait-all that was not satisfied consumes nothing";

    SetEvent(automatic.get());
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        SetEvent(manual.get());
    });
    EXPECT_EQ(WaitForMultipleObjects(2, handles, TRUE, 5000), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(WaitForSingleObject(automatic.get(), 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(manual.get(), 0), WAIT_OBJECT_0);
}

// Waits on up to four events hold them in place, longer ones on the heap: either way a set of
// the last event wakes a blocked wait-any with its index, and a wait-all needs every event.
TEST(WaitForMultipleObjectsTest, BlockedWaitsOfEverySizeWakeForTheirLastEvent) {
    for (const DWORD count : {1u, 2u, 4u, 5u, DWORD(MAXIMUM_WAIT_OBJECTS)}) {
        SCOPED_TRACE(count);
        std::vector<std::unique_ptr<Event>> events;
        std::vector<HANDLE> handles;
        for (DWORD i = 0; i < count; ++i) {
            events.push_back(std::make_unique<Event>(false, false));
            handles.push_back(events.back()->get());
        }
        std::atomic<pid_t> waiter{0};
        std::atomic<DWORD> result{WAIT_FAILED};
        std::thread wait([&] {
            waiter = orv::test::ThreadId();
            result = WaitForMultipleObjects(count, handles.data(), FALSE, 5000);
        });
        while (waiter.load() == 0) std::this_thread::yield();
        ASSERT_TRUE(orv::test::WaitUntilBlocked(waiter.load()));
        SetEvent(handles.back());
        wait.join();
        EXPECT_EQ(result.load(), WAIT_OBJECT_0 + count - 1);

        for (DWORD i = 0; i + 1 < count; ++i) SetEvent(handles[i]);
        EXPECT_EQ(WaitForMultipleObjects(count, handles.data(), TRUE, 0), WAIT_TIMEOUT);
        SetEvent(handles.back());
        EXPECT_EQ(WaitForMultipleObjects(count, handles.data(), TRUE, 0), WAIT_OBJECT_0);
        EXPECT_EQ(WaitForSingleObject(handles.front(), 0), WAIT_TIMEOUT);  // consumed together
    }
}

TEST(WaitForMultipleObjectsTest, BadArgumentsFail) {
    Event event(true, true);
    HANDLE handles[MAXIMUM_WAIT_OBJECTS + 1];
    for (auto& h : handles) h = event.get();
    struct Case {
        const char* what;
        const HANDLE* handles;
        DWORD count;
        BOOL waitAll;
    };
    const Case cases[] = {
        {"zero count", handles, 0, FALSE},
        {"more than 64", handles, MAXIMUM_WAIT_OBJECTS + 1, FALSE},
        {"null array", nullptr, 1, FALSE},
        {"same object twice in a wait-all", handles, 2, TRUE},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles, c.waitAll, 0), WAIT_FAILED) << c.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
    }
    // The same object twice is fine when any one will do, and 64 is the limit, not past it.
    EXPECT_EQ(WaitForMultipleObjects(MAXIMUM_WAIT_OBJECTS, handles, FALSE, 0), WAIT_OBJECT_0);
}

TEST(HandleTest, BadAndClosedHandlesAreRefused) {
    HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    ASSERT_TRUE(CloseHandle(closed));
    Event reuser(true, true);  // may take the closed handle's slot
    EXPECT_NE(reuser.get(), closed);

    const HANDLE bad[] = {nullptr, INVALID_HANDLE_VALUE, closed,
                          reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x12345677)),
                          reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7FFFFFF0))};
    for (HANDLE h : bad) {
        SetLastError(0);
        EXPECT_FALSE(SetEvent(h)) << h;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << h;
        EXPECT_FALSE(ResetEvent(h)) << h;
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED) << h;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << h;
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(h)) << h;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << h;
    }
    const HANDLE mixed[] = {reuser.get(), closed};
    SetLastError(0);
    EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(reuser.get(), 0), WAIT_OBJECT_0);
}

TEST(HandleTest, NamedEventsAreNotSupported) {
    SetLastError(0);
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "Global\\Name"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST(HandleTest, ClosingDuringAWaitLetsTheWaitEndNormally) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread waiter([&] { EXPECT_EQ(WaitForSingleObject(event, 100), WAIT_TIMEOUT); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(CloseHandle(event));
    waiter.join();
}

TEST(HandleTest, ManyHandlesStayDistinct) {
    std::vector<HANDLE> handles;
    for (int i = 0; i < 1000; ++i) handles.push_back(CreateEventA(nullptr, FALSE, i % 2, nullptr));
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(WaitForSingleObject(handles[i], 0), i % 2 ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
    for (HANDLE h : handles) EXPECT_TRUE(CloseHandle(h));
}

}  // namespace
