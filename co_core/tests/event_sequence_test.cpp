// CFireEvent on its own, with a recording owner: which thread fires, when a sender is released,
// holding while frozen, refusing after a disarm, and never firing a message whose sender has
// gone with the fields of a later one.
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "../../platform/win32/tests/blocked_thread.h"
#include "co_core/fire_event.h"
#include "host/pump.h"
#include "platform/com_ptr.h"
#include "platform/dispatch_map.h"

namespace orv::co {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::array<EventRoute, kEventKinds> kRoutes = {
    {{2024, 1}, {2025, 2}, {2026, 3}, {2027, 4}}};

class RecordingOwner final : public EventOwner {
public:
    void FireOwnerEvent(const EventFields& e) noexcept override {
        events.push_back(e);
        threads.push_back(GetCurrentThreadId());
        if (onFire) onFire(e);
    }
    void PinOwner() noexcept override { ++pins; }
    void UnpinOwner() noexcept override { --pins; }

    std::vector<EventFields> events;
    std::vector<DWORD> threads;
    std::function<void(const EventFields&)> onFire;
    int pins = 0;
};

// A thread that makes one callback and notes when the callback has returned.
class Sender {
public:
    explicit Sender(std::function<void()> call)
        : thread_([this, call = std::move(call)] {
              call();
              done_.store(true);
          }) {}
    ~Sender() { thread_.join(); }
    bool Done() const { return done_.load(); }
    bool WaitDone(std::chrono::milliseconds limit) const {
        const auto end = Clock::now() + limit;
        while (!Done() && Clock::now() < end) std::this_thread::sleep_for(1ms);
        return Done();
    }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// True once a message waits for this thread (without taking it).
bool WaitQueued(std::chrono::milliseconds limit = 2s) {
    pollfd p{host::QueueFd(), POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(limit.count())) == 1;
}

bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 2s) {
    return host::PumpUntil(done, limit);
}

class FireEventTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fire_.Create(&owner_)); }
    void TearDown() override { EXPECT_EQ(owner_.pins, 0) << "every pin is undone"; }

    RecordingOwner owner_;
    CFireEvent fire_{kRoutes};
};

TEST_F(FireEventTest, OwnerThreadFiresAtOnceWhateverTheFlags) {
    fire_.SetFreeze(true);  // and never armed
    fire_.Data(5);
    ASSERT_EQ(owner_.events.size(), 1u);
    EXPECT_EQ(owner_.events[0].kind, EventKind::Data);
    EXPECT_EQ(owner_.events[0].value, 5);
    int32_t response = 0;
    fire_.Error(111, 7, 2, &response);
    ASSERT_EQ(owner_.events.size(), 2u);
    EXPECT_EQ(owner_.events[1].extended, 7);
    EXPECT_EQ(owner_.events[1].locus, 2);
    EXPECT_EQ(owner_.events[1].pErrorResponse, &response);
}

TEST_F(FireEventTest, ForeignCallbackWhileDisarmedIsDroppedAtOnce) {
    Sender sender([&] { fire_.Data(1); });
    EXPECT_TRUE(sender.WaitDone(1s)) << "nobody pumps, yet the sender is not held";
    host::PumpUntil([] { return false; }, 100ms);
    EXPECT_TRUE(owner_.events.empty());
}

TEST_F(FireEventTest, ForeignCallbackFiresOnTheOwnerThreadWhileTheSenderWaits) {
    fire_.ArmEvents();
    int32_t data = 1;
    BSTR text = BstrFromAnsi("in");
    bool senderWasWaiting = false;
    owner_.onFire = [&](const EventFields& e) {
        senderWasWaiting = true;
        *e.pData = 5;
        SysFreeString(*e.pString);
        *e.pString = BstrFromAnsi("X");
    };
    Sender sender([&] { fire_.DirectIO(7, &data, &text); });
    ASSERT_TRUE(Pump([&] { return !owner_.events.empty(); }));
    EXPECT_TRUE(sender.WaitDone(2s));
    EXPECT_TRUE(senderWasWaiting);
    EXPECT_EQ(owner_.threads[0], GetCurrentThreadId());
    EXPECT_EQ(owner_.events[0].value, 7);
    EXPECT_EQ(data, 5) << "the application's write is in the sender's variable";
    EXPECT_EQ(AnsiFromBstr(text), "X");
    SysFreeString(text);
}

TEST_F(FireEventTest, ErrorFieldsTravelToTheHandler) {
    fire_.ArmEvents();
    int32_t response = 12;
    owner_.onFire = [&](const EventFields& e) { *e.pErrorResponse = 11; };
    Sender sender([&] { fire_.Error(114, 201, 2, &response); });
    ASSERT_TRUE(Pump([&] { return sender.Done(); }));
    ASSERT_EQ(owner_.events.size(), 1u);
    EXPECT_EQ(owner_.events[0].value, 114);
    EXPECT_EQ(owner_.events[0].extended, 201);
    EXPECT_EQ(owner_.events[0].locus, 2);
    EXPECT_EQ(response, 11);
}

TEST_F(FireEventTest, FrozenEventIsHeldByItsSenderAndGoesOnceAfterTheThaw) {
    fire_.ArmEvents();
    fire_.SetFreeze(true);
    Sender sender([&] { fire_.Data(3); });
    host::PumpUntil([] { return false; }, 350ms);  // several offers, all refused
    EXPECT_TRUE(owner_.events.empty());
    EXPECT_FALSE(sender.Done());
    const auto thawed = Clock::now();
    fire_.SetFreeze(false);
    ASSERT_TRUE(Pump([&] { return !owner_.events.empty(); }));
    EXPECT_LE(Clock::now() - thawed, 250ms) << "delivered on its next offer";
    EXPECT_TRUE(sender.WaitDone(1s));
    host::PumpUntil([] { return false; }, 200ms);
    EXPECT_EQ(owner_.events.size(), 1u) << "fired exactly once";
}

TEST_F(FireEventTest, MessageQueuedWhenDisarmedIsRefused) {
    fire_.ArmEvents();
    Sender sender([&] { fire_.Data(1); });
    ASSERT_TRUE(WaitQueued());
    fire_.DisarmEvents();
    EXPECT_TRUE(sender.WaitDone(1s)) << "a disarm releases the blocked sender";
    host::PumpUntil([] { return false; }, 100ms);
    EXPECT_TRUE(owner_.events.empty()) << "the event is lost";
}

// The message of a sender that gave up is still queued when events are armed again and a new
// sender comes: only the new event fires, with its own fields.
TEST_F(FireEventTest, StaleMessageNeverFiresWithALaterSendersFields) {
    fire_.ArmEvents();
    int32_t dataA = 10, dataB = 20;
    BSTR textA = BstrFromAnsi("A"), textB = BstrFromAnsi("B");
    auto a = std::make_unique<Sender>([&] { fire_.DirectIO(1, &dataA, &textA); });
    ASSERT_TRUE(WaitQueued());
    fire_.DisarmEvents();
    ASSERT_TRUE(a->WaitDone(1s));
    a.reset();
    fire_.ArmEvents();
    std::atomic<pid_t> tidB{0};
    Sender b([&] {
        tidB.store(orv::test::ThreadId());
        fire_.DirectIO(2, &dataB, &textB);
    });
    // B has offered its event (its message is queued behind A's) once it waits for the answer.
    while (tidB.load() == 0) std::this_thread::yield();
    ASSERT_TRUE(orv::test::WaitUntilBlocked(tidB.load()));
    ASSERT_TRUE(Pump([&] { return b.Done(); }));
    host::PumpUntil([] { return false; }, 100ms);
    ASSERT_EQ(owner_.events.size(), 1u);
    EXPECT_EQ(owner_.events[0].value, 2);
    EXPECT_EQ(owner_.events[0].pData, &dataB);
    EXPECT_EQ(owner_.events[0].pString, &textB);
    SysFreeString(textA);
    SysFreeString(textB);
}

TEST_F(FireEventTest, DisarmInsideAHandlerRaisesAndKeepsTheSenderUntilTheHandlerEnds) {
    fire_.ArmEvents();
    std::string raised;
    bool senderDoneInHandler = true;
    std::unique_ptr<Sender> sender;
    owner_.onFire = [&](const EventFields&) {
        try {
            fire_.DisarmEvents();
        } catch (const orv::DispatchException& e) {
            raised = e.description;
        }
        std::this_thread::sleep_for(50ms);  // the sender's variables are still in use here
        senderDoneInHandler = sender->Done();
    };
    sender = std::make_unique<Sender>([&] { fire_.Data(1); });
    ASSERT_TRUE(Pump([&] { return sender->Done(); }));
    EXPECT_EQ(raised, "Released while event in progress");
    EXPECT_FALSE(senderDoneInHandler);
    EXPECT_TRUE(fire_.Armed()) << "a refused disarm changes nothing";
    owner_.onFire = nullptr;
    Sender late([&] { fire_.Data(2); });
    ASSERT_TRUE(Pump([&] { return late.Done(); }));
    EXPECT_EQ(owner_.events.size(), 2u);
    EXPECT_NO_THROW(fire_.DisarmEvents()) << "outside a handler it succeeds";
}

TEST_F(FireEventTest, OwnerThreadHandlerAlsoCountsAsInProgress) {
    std::string raised;
    owner_.onFire = [&](const EventFields&) {
        try {
            fire_.DisarmEvents();
        } catch (const orv::DispatchException& e) {
            raised = e.description;
        }
    };
    fire_.StatusUpdate(4);
    EXPECT_EQ(raised, "Released while event in progress");
    EXPECT_FALSE(fire_.InProgress());
}

TEST_F(FireEventTest, ConcurrentSendersAreServedOneAtATimeInTheirOwnOrder) {
    fire_.ArmEvents();
    bool inHandler = false;
    bool overlapped = false;
    owner_.onFire = [&](const EventFields&) {
        overlapped = overlapped || inHandler;
        inHandler = true;
        host::PumpUntil([] { return false; },
                        2ms);  // a handler that pumps must not be entered twice
        inHandler = false;
    };
    constexpr int kEach = 20;
    Sender one([&] {
        for (int i = 0; i < kEach; ++i) fire_.Data(100 + i);
    });
    Sender two([&] {
        for (int i = 0; i < kEach; ++i) fire_.StatusUpdate(200 + i);
    });
    ASSERT_TRUE(Pump([&] { return one.Done() && two.Done(); }, 10s));
    EXPECT_FALSE(overlapped);
    std::vector<int32_t> data, status;
    for (const EventFields& e : owner_.events)
        (e.kind == EventKind::Data ? data : status).push_back(e.value);
    ASSERT_EQ(data.size(), static_cast<size_t>(kEach));
    ASSERT_EQ(status.size(), static_cast<size_t>(kEach));
    for (int i = 0; i < kEach; ++i) {
        EXPECT_EQ(data[i], 100 + i);
        EXPECT_EQ(status[i], 200 + i);
    }
}

TEST_F(FireEventTest, SenderAfterDestroyReturnsAtOnce) {
    fire_.ArmEvents();
    fire_.Destroy();
    Sender sender([&] { fire_.Data(1); });
    EXPECT_TRUE(sender.WaitDone(1s));
    EXPECT_TRUE(owner_.events.empty());
}

TEST(FireEventLifetime, DestructionReleasesABlockedSender) {
    RecordingOwner owner;
    auto fire = std::make_unique<CFireEvent>(kRoutes);
    ASSERT_TRUE(fire->Create(&owner));
    fire->ArmEvents();
    fire->SetFreeze(true);
    CFireEvent* raw = fire.get();
    Sender sender([raw] { raw->Data(1); });
    host::PumpUntil([] { return false; }, 150ms);
    ASSERT_FALSE(sender.Done());
    fire.reset();  // waits for the sender to leave
    EXPECT_TRUE(sender.Done());
    EXPECT_TRUE(owner.events.empty());
}

TEST(FireEventLifetime, SenderNoticesThatTheOwnerThreadHasEnded) {
    RecordingOwner owner;
    CFireEvent fire(kRoutes);
    std::atomic<bool> created{false}, queued{false};
    std::thread ownerThread([&] {
        ASSERT_TRUE(fire.Create(&owner));
        fire.ArmEvents();
        created.store(true);
        WaitQueued();  // then end without ever pumping
        queued.store(true);
    });
    while (!created.load()) std::this_thread::sleep_for(1ms);
    Sender sender([&] { fire.Data(1); });
    ownerThread.join();
    EXPECT_TRUE(queued.load());
    EXPECT_TRUE(sender.WaitDone(3s)) << "released once the window is gone";
    EXPECT_TRUE(owner.events.empty());
}

}  // namespace
}  // namespace orv::co
