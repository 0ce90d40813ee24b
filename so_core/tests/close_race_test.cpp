// Close against event deliveries already under way, with the real PIN pad service object and
// the real JVM: a control destroyed right after Close is never called while Java threads raise
// events in a loop, and Close from the application's thread returns while a delivery waits for
// that very thread (the control object disarms its events first, which lets the delivery go).
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "counting_control.h"
#include "host/apartment.h"
#include "host/control.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "jvm_access.h"
#include "platform/queue_fd.h"
#include "test_control.h"
#include "test_env.h"
#include "trace_reader.h"

namespace orv::so::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kProbe = "com/orv/sotest/Probe";

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        install = std::make_unique<TestInstall>();
        const std::string control = (BuildDir() / "lib" / "libPinpadControl.so").string();
        ASSERT_EQ(RunCommand(RegsvrTool().string() + " /s " + control), 0) << control;
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        install.reset();
    }
    static inline std::unique_ptr<TestInstall> install;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

int Rounds() {
    const char* text = std::getenv("ORV_CLOSE_RACE_ROUNDS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 3000;
}

// The open device's Java control (a global reference).
jobject JavaControl(const char* device) {
    jstring name = JavaString(device);
    jobject control = CallStaticObject(kProbe, "control", "(Ljava/lang/String;)Ljava/lang/Object;", name);
    Env()->DeleteLocalRef(name);
    return control;
}

// A thread attached to the JVM that hands data events for source to the library's natives, as
// the device's event thread does, until stopped (or once).
class JavaRaiser {
public:
    JavaRaiser(jobject source, bool loop) : thread_([this, source, loop] { Run(source, loop); }) {}
    ~JavaRaiser() { Join(); }
    uint64_t Raised() const { return raised_.load(); }
    bool Done() const { return done_.load(); }
    void Join() {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
    }
    JavaRaiser(const JavaRaiser&) = delete;
    JavaRaiser& operator=(const JavaRaiser&) = delete;

private:
    void Run(jobject source, bool loop) {
        JNIEnv* env = Env();
        jclass probe = env ? env->FindClass(kProbe) : nullptr;
        jmethodID relay = probe ? env->GetStaticMethodID(probe, "relayData", "(Ljava/lang/Object;I)V") : nullptr;
        if (!relay) {
            ADD_FAILURE() << "Probe.relayData not found";
        } else {
            do {
                env->CallStaticVoidMethod(probe, relay, source, 1);
                if (env->ExceptionCheck()) {
                    env->ExceptionDescribe();
                    ADD_FAILURE() << "relayData threw";
                    break;
                }
                raised_.fetch_add(1);
            } while (loop && !stop_.load());
        }
        if (probe) env->DeleteLocalRef(probe);
        done_.store(true);
    }

    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<uint64_t> raised_{0};
    std::thread thread_;
};

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(SoCloseRace, AControlDestroyedRightAfterCloseIsNeverCalled) {
    ServiceObjectClient so;
    ASSERT_EQ(so.Create("P1"), S_OK);
    const int rounds = Rounds();
    std::vector<CountingControl*> controls;
    controls.reserve(static_cast<size_t>(rounds));
    controls.push_back(CountingControl::Create());
    ASSERT_EQ(so.OpenService("P1", controls.back()), 0);
    ASSERT_EQ(so.Claim(1000), 0);  // the simulator names the control of a claimed device
    jobject source = JavaControl("P1");
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(so.Release_(), 0);
    int roundsWithCalls = 0;
    const auto started = Clock::now();
    {
        JavaRaiser a(source, true), b(source, true);
        for (int round = 0; round < rounds; ++round) {
            if (round > 0) {
                controls.push_back(CountingControl::Create());
                ASSERT_EQ(so.OpenService("P1", controls.back()), 0) << "round " << round;
            }
            CountingControl* control = controls.back();
            // Every fourth round Close comes only after an event has arrived.
            if (round % 4 == 0) {
                ASSERT_TRUE(WaitUntil([&] { return control->Calls() > 0; }, 10s)) << "round " << round;
            }
            ASSERT_EQ(so.Close(), 0) << "round " << round;
            control->Die();
            if (control->Calls() > 0) ++roundsWithCalls;
        }
        a.Join();
        b.Join();
        std::printf("%d rounds, %llu events raised, %d rounds with calls, %lld ms\n", rounds,
                    static_cast<unsigned long long>(a.Raised() + b.Raised()), roundsWithCalls,
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               Clock::now() - started).count()));
    }
    uint64_t late = 0;
    for (CountingControl* c : controls) {
        late += c->LateCalls();
        c->Release();
    }
    EXPECT_EQ(late, 0u) << "calls on controls destroyed after Close";
    EXPECT_GE(roundsWithCalls, rounds / 4);
    DeleteGlobal(source);
    so.Release();
}

// Aborts the process with a message when the scope is not left in time: a deadlock fails the
// test instead of hanging it.
class Watchdog {
public:
    Watchdog(const char* what, std::chrono::seconds limit)
        : thread_([this, what, limit] {
              std::unique_lock lock(mutex_);
              if (!left_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "%s did not return within %lld s\n", what,
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        left_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable left_;
    bool done_ = false;
    std::thread thread_;
};

bool QueueReadable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, timeoutMs) == 1 && (p.revents & POLLIN);
}

TEST(SoCloseRace, CloseFromTheApplicationThreadLetsADeliveryWaitingForItGo) {
    host::Control pinpad;
    ASSERT_EQ(pinpad.Create("OPOS.PINPad"), S_OK);
    int delivered = 0;
    ASSERT_EQ(pinpad.OnEvent(host::opos::DataEvent, [&](const EventArgs&) { ++delivered; }), S_OK);
    int32_t rc = -1;
    ASSERT_EQ(pinpad.Call("Open", &rc, "P1"), S_OK);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(pinpad.Call("Claim", &rc, 1000), S_OK);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(pinpad.Put("DeviceEnabled", DispArg::Bool(true)), S_OK);
    ASSERT_EQ(pinpad.Put("DataEventEnabled", DispArg::Bool(true)), S_OK);
    jobject source = JavaControl("P1");
    ASSERT_NE(source, nullptr);
    const int queue = OrvGetMessageQueueFd();
    ASSERT_GE(queue, 0);
    ASSERT_TRUE(host::PumpUntil([&] { return !QueueReadable(queue, 0); }, 5s));

    JavaRaiser raiser(source, false);
    // The event's message waiting in this thread's queue: the delivery is inside the control,
    // waiting for this thread, which does not pump but closes.
    ASSERT_TRUE(QueueReadable(queue, 10000));
    ASSERT_FALSE(raiser.Done());
    const auto started = Clock::now();
    {
        Watchdog watchdog("Close with a delivery waiting for the closing thread", 20s);
        ASSERT_EQ(pinpad.Call("Close", &rc), S_OK);
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
    EXPECT_EQ(rc, 0);
    raiser.Join();
    EXPECT_TRUE(raiser.Done());
    EXPECT_EQ(raiser.Raised(), 1u);
    std::printf("Close returned after %lld ms\n", static_cast<long long>(ms.count()));
    const Trace trace = ReadTrace(Environment::install->TracePath());
    const size_t firing = trace.Find("Firing Data Event from eventjni");
    ASSERT_NE(firing, std::string::npos);
    EXPECT_NE(trace.Find("Begin closing", firing), std::string::npos)
        << "the delivery was under way before Close began";
    ASSERT_TRUE(host::PumpUntil([&] { return !QueueReadable(queue, 0); }, 5s));
    EXPECT_EQ(delivered, 0) << "the closed control fires nothing";
    DeleteGlobal(source);
}

}  // namespace
}  // namespace orv::so::test
