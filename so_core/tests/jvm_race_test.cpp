// One JVM per process whatever the number of service object libraries: the PIN pad library and
// a second library of another device class (each with its own copy of the core) create their
// first objects at the same moment on two threads, in a fresh process each round, and both
// objects must open their devices in every round.
#include <gtest/gtest.h>
#include <unistd.h>

#include <barrier>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "jvm_access.h"
#include "platform/com_ptr.h"
#include "platform/dispatch_driver.h"
#include "test_control.h"
#include "test_env.h"

namespace orv::so::test {
namespace {

constexpr const char kChildVariable[] = "ORV_JVM_RACE_CHILD";

int Rounds() {
    const char* text = std::getenv("ORV_JVM_RACE_ROUNDS");
    const int n = text ? std::atoi(text) : 0;
    return n > 0 ? n : 24;
}

// What one thread of a round saw.
struct Side {
    const char* progId;
    const char* deviceClass;
    const char* device;
    HRESULT factory = E_FAIL;
    HRESULT created = E_FAIL;
    HRESULT called = E_FAIL;
    int32_t opened = -1;
    int32_t closed = -1;
};

// Loads the library and gets its class factory first, so that after the barrier both threads
// go straight into the objects' construction, where the JVM is found or created.
void RunSide(Side& side, std::barrier<>& start) {
    const HRESULT init = CoInitialize(nullptr);
    CLSID clsid{};
    std::u16string progId(side.progId, side.progId + std::char_traits<char>::length(side.progId));
    ComPtr<IClassFactory> factory;
    side.factory = CLSIDFromProgID(progId.c_str(), &clsid);
    if (SUCCEEDED(side.factory))
        side.factory = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                        reinterpret_cast<void**>(factory.Put()));
    start.arrive_and_wait();
    if (FAILED(side.factory)) {
        if (SUCCEEDED(init)) CoUninitialize();
        return;
    }
    IDispatch* object = nullptr;
    side.created = factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object));
    if (SUCCEEDED(side.created)) {
        DispatchDriver so(object, true);
        RecordingControl* control = RecordingControl::Create();
        DISPID open = DISPID_UNKNOWN, close = DISPID_UNKNOWN;
        side.called = so.GetDispId("OpenService", &open);
        if (SUCCEEDED(side.called)) side.called = so.GetDispId("Close", &close);
        if (SUCCEEDED(side.called))
            side.called = so.Call(open, &side.opened, side.deviceClass, side.device,
                                  static_cast<IDispatch*>(control));
        if (SUCCEEDED(side.called)) side.called = so.Call(close, &side.closed);
        so.ReleaseDispatch();
        control->Release();
    }
    factory.Reset();
    if (SUCCEEDED(init)) CoUninitialize();
}

std::string Describe(const Side& s) {
    char text[200];
    std::snprintf(text, sizeof text, "%s: factory %#x, created %#x, calls %#x, OpenService %d, Close %d",
                  s.progId, static_cast<unsigned>(s.factory), static_cast<unsigned>(s.created),
                  static_cast<unsigned>(s.called), s.opened, s.closed);
    return text;
}

// One round, run only in a child process the test below starts.
TEST(JvmRaceChild, BothLibrariesOpenTheirDevice) {
    if (!std::getenv(kChildVariable)) GTEST_SKIP() << "runs in the child processes of JvmPerProcess";
    ASSERT_FALSE(JvmRunning());
    Side pin{"ORVPin.so", "PINPad", "P1"};
    Side tone{"ORVToneTest.so", "ToneIndicator", "T1"};
    std::barrier<> start(2);
    std::thread a([&] { RunSide(pin, start); });
    std::thread b([&] { RunSide(tone, start); });
    a.join();
    b.join();
    for (const Side* s : {&pin, &tone}) {
        EXPECT_EQ(s->opened, 0) << Describe(*s);
        EXPECT_EQ(s->closed, 0) << Describe(*s);
    }
    JavaVM* vms[2] = {};
    jsize count = 0;
    ASSERT_EQ(JNI_GetCreatedJavaVMs(vms, 2, &count), JNI_OK);
    EXPECT_EQ(count, 1);
}

TEST(JvmPerProcess, TwoLibrariesCreatingTheirFirstObjectsAtOnceShareOneVm) {
    if (std::getenv(kChildVariable)) GTEST_SKIP() << "a child runs only its round";
    TestInstall install;
    const std::string toneLibrary = (BuildDir() / "tests" / "libToneTestSO.so").string();
    ASSERT_EQ(RunCommand(RegsvrTool().string() + " /s " + toneLibrary), 0) << toneLibrary;
    ::setenv(kChildVariable, "1", 1);
    const std::string command = "/proc/" + std::to_string(::getpid()) +
                                "/exe --gtest_filter=JvmRaceChild.* 2>&1";
    const int rounds = Rounds();
    int failed = 0;
    const auto started = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        FILE* child = ::popen(command.c_str(), "r");
        ASSERT_NE(child, nullptr);
        std::string output;
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, child)) > 0) output.append(buffer, n);
        const int status = ::pclose(child);
        if (status != 0) {
            ++failed;
            ADD_FAILURE() << "round " << round << " (status " << status << "):\n" << output;
        }
    }
    ::unsetenv(kChildVariable);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - started).count();
    RecordProperty("rounds", rounds);
    RecordProperty("milliseconds", static_cast<int>(ms));
    std::printf("%d rounds in fresh processes, %d failed, %lld ms\n", rounds, failed,
                static_cast<long long>(ms));
    EXPECT_EQ(failed, 0);
}

}  // namespace
}  // namespace orv::so::test
