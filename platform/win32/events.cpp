// Event objects and the waits on them.
//
// All event state is guarded by one process-wide mutex: a wait on several events must look at
// them together and consume an auto-reset event only when it is the one that wins, and the
// sets and waits here are short. Each waiting thread has its own wake-up word (a futex), listed
// on every event it waits for, so a SetEvent wakes only the threads that wait for that event.
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <vector>

#include "kernel_objects.h"
#include "platform/win32.h"

namespace orv::win32 {
namespace {

std::mutex& EventMutex() {
    static std::mutex* mutex = new std::mutex;  // never destroyed: used until process exit
    return *mutex;
}

// A waiting thread's wake-up word: Wake() moves it on and wakes the thread sleeping on it. A
// wait reads it under EventMutex() before it sleeps, so a set that comes between the unlock and
// the sleep finds the word moved and the sleep returns at once.
struct Waiter {
    std::atomic<uint32_t> word{0};

    void Wake() {
        word.fetch_add(1, std::memory_order_release);
        ::syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr,
                  nullptr, 0);
    }
    // Sleeps while the word still reads `seen`; false once the deadline has passed.
    bool SleepUntil(uint32_t seen, bool forever,
                    std::chrono::steady_clock::time_point deadline) {
        timespec left{};
        if (!forever) {
            const auto remaining = deadline - std::chrono::steady_clock::now();
            if (remaining <= std::chrono::steady_clock::duration::zero()) return false;
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(remaining).count();
            left.tv_sec = time_t(ns / 1000000000);
            left.tv_nsec = long(ns % 1000000000);
        }
        // The relative time-out runs on CLOCK_MONOTONIC, as steady_clock does.
        if (::syscall(SYS_futex, reinterpret_cast<uint32_t*>(&word), FUTEX_WAIT_PRIVATE, seen,
                      forever ? nullptr : &left, nullptr, 0) == -1 &&
            errno == ETIMEDOUT)
            return false;
        return true;  // woken, moved on before the sleep, or interrupted: the caller looks again
    }
};
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) &&
              std::atomic<uint32_t>::is_always_lock_free);

class Event final : public KernelObject {
public:
    Event(bool manualReset, bool initialState) : manual(manualReset), signalled(initialState) {}

    // Guarded by EventMutex().
    const bool manual;
    bool signalled;
    std::vector<std::shared_ptr<Waiter>> waiters;
};

// One waiter per thread, reused by all its waits: a SetEvent that still holds it from an earlier
// wait can only wake the thread spuriously, and the wait looks again. A wait made while the
// thread ends, after its own waiter went, gets a new one.
thread_local bool threadWaiterGone = false;  // trivially destructible: readable at thread exit
struct ThreadWaiterSlot {
    std::shared_ptr<Waiter> waiter = std::make_shared<Waiter>();
    ~ThreadWaiterSlot() { threadWaiterGone = true; }
};

// Null when there is no memory for it.
std::shared_ptr<Waiter> ThreadWaiter() {
    try {
        if (threadWaiterGone) return std::make_shared<Waiter>();
        thread_local ThreadWaiterSlot slot;
        return slot.waiter;
    } catch (...) {
        return nullptr;
    }
}

// The events of one wait, held for its duration (an event closed meanwhile lives on). Waits on
// one to four events, the usual ones, keep them in place; more go to the heap.
class EventList {
public:
    // False when there is no memory for `count` events.
    bool Reserve(DWORD count) {
        if (count <= few_.size()) return true;
        try {
            many_.resize(count);
            return true;
        } catch (...) {
            return false;
        }
    }
    std::shared_ptr<Event>& operator[](DWORD i) { return many_.empty() ? few_[i] : many_[i]; }
    const std::shared_ptr<Event>& operator[](DWORD i) const {
        return many_.empty() ? few_[i] : many_[i];
    }

private:
    std::array<std::shared_ptr<Event>, 4> few_;
    std::vector<std::shared_ptr<Event>> many_;
};

// Lists the waiter on each event for the duration of a blocking wait (EventMutex() held).
class WaiterRegistration {
public:
    WaiterRegistration(const EventList& events, DWORD count, std::shared_ptr<Waiter> waiter)
        : events_(events), count_(count), waiter_(waiter) {}
    WaiterRegistration(const WaiterRegistration&) = delete;
    WaiterRegistration& operator=(const WaiterRegistration&) = delete;
    ~WaiterRegistration() {
        for (DWORD i = 0; i < registered_; ++i) {
            auto& list = events_[i]->waiters;
            list.erase(std::remove(list.begin(), list.end(), waiter_), list.end());
        }
    }
    void Register() {  // may throw std::bad_alloc; what was listed is removed again
        for (; registered_ < count_; ++registered_)
            events_[registered_]->waiters.push_back(waiter_);
    }

private:
    const EventList& events_;
    DWORD count_;
    std::shared_ptr<Waiter> waiter_;
    DWORD registered_ = 0;
};

// Checks the events once and consumes what satisfies the wait. Returns the wait result or
// WAIT_TIMEOUT when the wait is not satisfied yet.
DWORD TrySatisfy(const EventList& events, DWORD count, bool waitAll) {
    if (!waitAll) {
        for (DWORD i = 0; i < count; ++i) {
            Event& event = *events[i];
            if (event.signalled) {
                if (!event.manual) event.signalled = false;
                return WAIT_OBJECT_0 + i;
            }
        }
        return WAIT_TIMEOUT;
    }
    for (DWORD i = 0; i < count; ++i) {
        if (!events[i]->signalled) return WAIT_TIMEOUT;
    }
    for (DWORD i = 0; i < count; ++i) {
        if (!events[i]->manual) events[i]->signalled = false;
    }
    return WAIT_OBJECT_0;
}

DWORD Failed(DWORD error) {
    SetLastError(error);
    return WAIT_FAILED;
}

DWORD Wait(DWORD count, const HANDLE* handles, bool waitAll, DWORD milliseconds) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr)
        return Failed(ERROR_INVALID_PARAMETER);
    EventList events;
    if (!events.Reserve(count)) return Failed(ERROR_NOT_ENOUGH_MEMORY);
    for (DWORD i = 0; i < count; ++i) {
        events[i] = LookupHandleAs<Event>(handles[i]);
        if (!events[i]) return Failed(ERROR_INVALID_HANDLE);
    }
    if (waitAll) {
        // Windows refuses the same object twice in a wait-all.
        for (DWORD i = 0; i < count; ++i) {
            for (DWORD j = i + 1; j < count; ++j) {
                if (events[i] == events[j]) return Failed(ERROR_INVALID_PARAMETER);
            }
        }
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);

    std::unique_lock lock(EventMutex());
    DWORD result = TrySatisfy(events, count, waitAll);
    if (result != WAIT_TIMEOUT || milliseconds == 0) return result;

    const std::shared_ptr<Waiter> waiterPtr = ThreadWaiter();
    if (!waiterPtr) return Failed(ERROR_NOT_ENOUGH_MEMORY);
    Waiter& waiter = *waiterPtr;
    WaiterRegistration registration(events, count, waiterPtr);
    try {
        registration.Register();
    } catch (...) {
        return Failed(ERROR_NOT_ENOUGH_MEMORY);
    }
    for (;;) {
        const uint32_t seen = waiter.word.load(std::memory_order_acquire);
        lock.unlock();
        const bool inTime = waiter.SleepUntil(seen, milliseconds == INFINITE, deadline);
        lock.lock();
        result = TrySatisfy(events, count, waitAll);
        if (result != WAIT_TIMEOUT || !inTime) return result;
    }
}

}  // namespace
}  // namespace orv::win32

using orv::win32::Event;

extern "C" {

ORV_API HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES /*attributes*/, BOOL manualReset,
                                   BOOL initialState, LPCSTR name) {
    if (name != nullptr) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    try {
        return orv::win32::InsertHandle(
            std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

// Wakes every thread waiting for the event; for an auto-reset event the first of them to look
// consumes it and the others go back to waiting.
ORV_API BOOL WINAPI SetEvent(HANDLE handle) {
    auto event = orv::win32::LookupHandleAs<Event>(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // The waiters to wake, copied without an allocation while there are few of them.
    std::array<std::shared_ptr<orv::win32::Waiter>, 4> few;
    size_t fewCount = 0;
    std::vector<std::shared_ptr<orv::win32::Waiter>> many;
    try {
        std::lock_guard lock(orv::win32::EventMutex());
        event->signalled = true;
        if (event->waiters.size() <= few.size())
            fewCount = std::copy(event->waiters.begin(), event->waiters.end(), few.begin()) -
                       few.begin();
        else
            many = event->waiters;
    } catch (...) {
        // No room to list the waiters: the event is set; wake them under the lock instead.
        std::lock_guard lock(orv::win32::EventMutex());
        for (auto& waiter : event->waiters) waiter->Wake();
        return TRUE;
    }
    // Woken outside the lock, so a waiter does not wake only to block on it again.
    for (size_t i = 0; i < fewCount; ++i) few[i]->Wake();
    for (auto& waiter : many) waiter->Wake();
    return TRUE;
}

ORV_API BOOL WINAPI ResetEvent(HANDLE handle) {
    auto event = orv::win32::LookupHandleAs<Event>(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard lock(orv::win32::EventMutex());
    event->signalled = false;
    return TRUE;
}

ORV_API DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    return orv::win32::Wait(1, &handle, false, milliseconds);
}

ORV_API DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                            DWORD milliseconds) {
    return orv::win32::Wait(count, handles, waitAll != FALSE, milliseconds);
}

}  // extern "C"
